// The built program, run as a shell runs it.

#include "FakePlatform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

using namespace veltrane;

namespace {

// Runs veltrane in folder with these arguments; its exit status, or -1.
int RunVeltrane(const std::filesystem::path& folder, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), VELTRANE_PROGRAM_PATH);
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::chdir(folder.c_str()) == 0) {
            ::execv(VELTRANE_PROGRAM_PATH, argv.data());
        }
        ::_exit(127);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

} // namespace

// Names that are not UTF-8 are used as given, next to Qt's own options.
TEST(ProgramRunTest, ReportOfAFileWhoseNameIsNotUtf8) {
    fakes::TempDir dir;
    const std::string config = "caf\xe9.cfg";
    const std::string pdf = "R\xe9port.pdf";
    std::filesystem::copy_file(std::string(VELTRANE_TEST_SOURCE_DIR) + "/DEFAULT.CFG", dir.Path() / config);
    ASSERT_EQ(RunVeltrane(dir.Path(), {"--print-report", config, "--pdf", pdf, "-platform", "offscreen"}), 0);
    EXPECT_EQ(fakes::ReadText(dir.File(pdf)).substr(0, 5), "%PDF-");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2); // nothing left beside
}
