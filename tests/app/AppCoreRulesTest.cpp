#include "FakePlatform.h"
#include "app/CommandLine.h"
#include "app/FrameRules.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace veltrane;

TEST(FrameRules, OnlineOfflineAndBoardDialog) {
    FrameState offline;
    EXPECT_FALSE(CommandEnabled(Command::SetToDefaults, offline));
    EXPECT_TRUE(CommandEnabled(Command::CommunicationsPort, offline));
    for (Command command : {Command::ResetToReady, Command::TransmitAll, Command::ReceiveAll,
                            Command::SaveToEeprom, Command::ViewRunLog, Command::ViewZoom}) {
        EXPECT_FALSE(CommandEnabled(command, offline));
    }
    FrameState online;
    online.online = true;
    EXPECT_TRUE(CommandEnabled(Command::SetToDefaults, online));
    EXPECT_FALSE(CommandEnabled(Command::CommunicationsPort, online));
    EXPECT_TRUE(CommandEnabled(Command::TransmitAll, online));

    online.boardDialogOpen = true;
    EXPECT_FALSE(CommandEnabled(Command::FileOpen, online));
    EXPECT_FALSE(CommandEnabled(Command::BoardChannel, online));
    EXPECT_FALSE(CommandEnabled(Command::SetToDefaults, online));
    EXPECT_TRUE(CommandEnabled(Command::GatesModes, online));

    EXPECT_FALSE(CommandEnabled(Command::UseCorvanet, online));
    online.viewerAvailable = true;
    EXPECT_TRUE(CommandEnabled(Command::UseCorvanet, online));
    EXPECT_FALSE(CommandEnabled(Command::Advanced, online));

    online.documentPath = "/data/Default.Cfg";
    EXPECT_FALSE(CommandEnabled(Command::FileSave, online));
    online.documentPath = "/data/run1.cfg";
    EXPECT_TRUE(CommandEnabled(Command::FileSave, online));
}

TEST(FrameRules, StatusPaneTexts) {
    EXPECT_EQ(StatePaneText(0), "NOT READY");
    EXPECT_EQ(StatePaneText(1), "READY");
    EXPECT_EQ(StatePaneText(2), "INVALID");
    EXPECT_EQ(StatePaneText(3), "RUN");
    EXPECT_EQ(StatePaneText(5), "");
    EXPECT_EQ(RunTimePaneText(1.5f), "   1.50 MIN");
    EXPECT_EQ(FileSizePaneText(0.25f), "0.25 MB");
    EXPECT_EQ(FreeSpacePaneText(3u * 1048576u / 2u), "FREE =   1.5 MB");
}

TEST(FrameRules, CorvanetPathGetsOneSeparator) {
    EXPECT_EQ(CorvanetCommand("/opt/corvanet"), "/opt/corvanet/Corvanet");
    EXPECT_EQ(CorvanetCommand("/opt/corvanet/"), "/opt/corvanet/Corvanet");
}

// Corvanet opens the recording while it is there; a file since removed gives way to the data
// folder, and a folder that is not there to the working folder.
TEST(FrameRules, CorvanetOpensTheRecordingElseItsFolderElseTheWorkingFolder) {
    fakes::TempDir dir;
    const std::string data = dir.File("data");
    std::filesystem::create_directory(data);
    const std::string recording = data + "/RUN001.dat";
    fakes::WriteBytes(recording, {1});
    EXPECT_EQ(CorvanetArgument(recording, data, dir.Path().string()), recording);
    std::filesystem::remove(recording);
    EXPECT_EQ(CorvanetArgument(recording, data, dir.Path().string()), data);
    EXPECT_EQ(CorvanetArgument({}, dir.File("gone"), dir.Path().string()), dir.Path().string());
}

TEST(CommandLine, OptionsAndMistakes) {
    std::string error;
    auto options = ParseCommandLine({"--simulate", "--quit-after", "2.5", "--stats"}, error);
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->simulate);
    EXPECT_EQ(options->session, SessionChoice::Online); // the emulator implies an online session
    EXPECT_DOUBLE_EQ(options->quitAfterSeconds, 2.5);

    options = ParseCommandLine(
        {"--device=/dev/ttyUSB0", "--offline", "--port", "3", "--trace-serial", "t.log"}, error);
    ASSERT_TRUE(options);
    EXPECT_EQ(options->devicePath, "/dev/ttyUSB0");
    EXPECT_EQ(options->session, SessionChoice::Offline);
    EXPECT_EQ(options->port, 3);
    EXPECT_EQ(options->traceFile, "t.log");

    EXPECT_FALSE(ParseCommandLine({"--port", "0"}, error));
    EXPECT_FALSE(ParseCommandLine({"--device"}, error));
    EXPECT_FALSE(ParseCommandLine({"--bogus"}, error));
    EXPECT_FALSE(ParseCommandLine({"--simulate", "--device", "/dev/ttyS0"}, error));
    EXPECT_FALSE(ParseCommandLine({"--simulate", "--simulate-line", "socket"}, error));
}
