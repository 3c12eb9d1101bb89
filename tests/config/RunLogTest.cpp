#include "ConfigFixture.h"

#include "config/Messages.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#if !defined(_WIN32)
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace veltrane {
namespace {

using fakes::ReadText;

std::string FailureText(const std::string& path) {
    return messages::kUnableToWrite + path + messages::kRunLogNotSaved;
}

class RunLogTest : public ::testing::Test, public testing::ConfigFixture {};

TEST_F(RunLogTest, FirstEntryHasNoSeparatorLaterOnesDoAndDiskUsesCrLf) {
    runLog.Write("First");
    clock.local = {2031, 12, 1, 9, 8, 0};
    runLog.Write("Second\nline\ttab");

    ASSERT_EQ(runLog.Entries().size(), 2u);
    EXPECT_EQ(runLog.Entries()[0], "03/09/26  14:05:07\nFirst");
    EXPECT_EQ(runLog.Entries()[1], "\n\n12/01/31  09:08:00\nSecond\nline\ttab");
    EXPECT_EQ(ReadText(logPath),
              "03/09/26  14:05:07\r\nFirst\r\n\r\n12/01/31  09:08:00\r\nSecond\r\nline\ttab");
    EXPECT_TRUE(prompts.shown.empty()) << "an existing empty file is not missing";
}

TEST_F(RunLogTest, EntryAfterEarlierRunStartsWithEmptyLine) {
    fakes::WriteBytes(logPath, {'o', 'l', 'd'});
    runLog.Write("PFPD Was Reset To Ready");
    EXPECT_EQ(ReadText(logPath), "old\r\n\r\n03/09/26  14:05:07\r\nPFPD Was Reset To Ready");
}

TEST_F(RunLogTest, MissingFileIsAnnouncedAndRecreatedWithoutLeadingLines) {
    std::filesystem::remove(logPath);
    runLog.Write("One");
    std::filesystem::remove(logPath);
    runLog.Write("Two");

    EXPECT_EQ(prompts.Texts(),
              (std::vector<std::string>{"Unable to find " + logPath + ". This file will be recreated!",
                                        "Unable to find " + logPath + ". This file will be recreated!"}));
    EXPECT_EQ(ReadText(logPath), "03/09/26  14:05:07\r\nTwo");
    EXPECT_EQ(runLog.Entries()[1], "03/09/26  14:05:07\nTwo");
}

TEST_F(RunLogTest, UnwritableFileStillKeepsTheEntryInMemoryAndIsReportedOnce) {
    // A directory under the log's name cannot be opened for appending.
    std::filesystem::remove(logPath);
    std::filesystem::create_directory(logPath);
    runLog.Write("Kept");
#if !defined(_WIN32)
    // Nor can a FIFO nobody reads, and writing must not wait for a reader.
    std::filesystem::remove(logPath);
    ASSERT_EQ(::mkfifo(logPath.c_str(), 0600), 0);
    runLog.Write("Also kept");
    ASSERT_EQ(runLog.Entries().size(), 2u);
#endif
    EXPECT_EQ(runLog.Entries()[0], "03/09/26  14:05:07\nKept");
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{FailureText(logPath)});
}

#if !defined(_WIN32) // fork, rlimit, FIFOs
TEST_F(RunLogTest, AFullDiskLeavesNoTornEntryAndIsReportedOnceUntilAWriteSucceeds) {
    runLog.Write("Before");
    const std::string before = ReadText(logPath);
    // The file size limit stands in for a full disk; the child takes it, the file is shared.
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        const rlim_t unlimited = limit.rlim_cur;
        auto allow = [&](rlim_t bytes) {
            limit.rlim_cur = bytes;
            return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
        };
        bool ok = allow(before.size() + 10);
        runLog.Write(std::string(200, 'x'));
        runLog.Write(std::string(200, 'y'));
        ok = ok && ReadText(logPath) == before && prompts.Texts().size() == 1;
        ok = ok && allow(unlimited);
        runLog.Write("Fits");
        ok = ok && allow(ReadText(logPath).size() + 10);
        runLog.Write(std::string(200, 'z'));
        ok = ok && prompts.Texts() == std::vector<std::string>(2, FailureText(logPath));
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadText(logPath), before + "\r\n\r\n03/09/26  14:05:07\r\nFits");
    EXPECT_EQ(runLog.Entries().size(), 1u) << "the child's entries stayed in the child";
}
#endif

TEST_F(RunLogTest, DisabledLoggingLeavesFileAndListAlone) {
    model.SetLoggingEnabled(false);
    EXPECT_FALSE(model.LoggingEnabled());
    model.SetPmtVoltage(500);
    model.WriteRunLog(messages::kLogResetToReady);
    EXPECT_TRUE(model.RunLogEntries().empty());
    EXPECT_EQ(ReadText(logPath), "");
    EXPECT_EQ(model.GetPmtVoltage(), 500);

    model.SetLoggingEnabled(true);
    model.SetPmtVoltage(501);
    EXPECT_EQ(EntryTexts(), (std::vector<std::string>{"Changed Board PMT Voltage to 501"}));
}

TEST(RunLogName, IsExecutableBaseNamePlusLog) {
    EXPECT_EQ(RunLog::FileNameForExecutable("/opt/lab/bin/veltrane"), "veltrane.log");
    EXPECT_EQ(RunLog::FileNameForExecutable("./Veltrane.exe"), "Veltrane.log");
    EXPECT_EQ(RunLog::FileNameForExecutable("pfpd"), "pfpd.log");
}

} // namespace
} // namespace veltrane
