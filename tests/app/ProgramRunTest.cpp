// The built program, run as a shell runs it.

#include "FakePlatform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

using namespace veltrane;

namespace {

struct RunSetting {
    std::string errorFile;  // standard error goes here when given
    bool noDisplay = false; // as on a machine without any window system
};

// Runs veltrane in folder with these arguments; its exit status, or -1.
int RunVeltrane(const std::filesystem::path& folder, std::vector<std::string> arguments,
                const RunSetting& setting = {}) {
    arguments.insert(arguments.begin(), VELTRANE_PROGRAM_PATH);
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        if (!setting.errorFile.empty() && std::freopen(setting.errorFile.c_str(), "w", stderr) == nullptr) {
            ::_exit(127);
        }
        if (setting.noDisplay) {
            for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
                ::unsetenv(name);
            }
        }
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

// A mistake in the arguments is one line on a machine without a display, not a crash in the
// window system's start.
TEST(ProgramRunTest, ArgumentMistakeIsOneLineWithoutADisplay) {
    fakes::TempDir dir;
    const std::string errors = dir.File("errors.txt");
    EXPECT_EQ(RunVeltrane(dir.Path(), {"--bogus"}, {errors, true}), 2);
    EXPECT_EQ(fakes::ReadText(errors), "veltrane: unknown option --bogus; see --help\n");
}

// An unattended run against a device that is not there waits on no dialog: it tries again
// until its time is up, then ends with a failure, having said what is wrong with the device.
TEST(ProgramRunTest, UnattendedRunAgainstAMissingDeviceEndsOnTime) {
    fakes::TempDir dir;
    const std::string errors = dir.File("errors.txt");
    const std::string device = dir.File("ttyUSB9");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunVeltrane(dir.Path(),
                          {"--device", device, "--auto-answer", "yes", "--quit-after", "1.5", "--profile",
                           dir.File("profile.ini"), "-platform", "offscreen"},
                          {errors, false}),
              1);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(seconds, 1.4);
    EXPECT_LT(seconds, 5.0);
    const std::string text = fakes::ReadText(errors);
    EXPECT_NE(text.find(device + " does not exist."), std::string::npos) << text;
    EXPECT_NE(text.find("retry the connection: -> Retry"), std::string::npos) << text;
}
