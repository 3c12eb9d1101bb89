// Faults of the line as the program meets them: silence, hang-up and return, and the
// pfpd-sim program itself.
#include "SimClient.h"
#include "SimProcess.h"

#include "FakePlatform.h"
#include "protocol/FrameCodec.h"
#include "sim/SimOptions.h"
#include "sim/SimulatorSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace veltrane;
using namespace veltrane::testing;

namespace {

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

EmulatorOptions FastOptions() {
    EmulatorOptions options;
    options.fast = true;
    options.gc.warmupSeconds = 0.0;
    return options;
}

} // namespace

TEST(LineFaults, ScriptedSilenceAnswersNothingThenRecovers) {
    EmulatorOptions options = FastOptions();
    options.faults.silenceStart = 0.3;
    options.faults.silenceLength = 0.4;
    std::string error;
    auto session = SimulatorSession::Start(options, error);
    ASSERT_TRUE(session) << error;
    SimClient client(session->DevicePath());
    EXPECT_TRUE(client.Exchange(64).has_value());
    SleepMs(400);
    EXPECT_FALSE(client.Exchange(64, {}, 150).has_value());
    SleepMs(400);
    EXPECT_TRUE(client.Exchange(64).has_value());
}

TEST(LineFaults, HangUpRemovesTheDeviceAndTheLinkFindsItAgain) {
    fakes::TempDir dir;
    EmulatorOptions options = FastOptions();
    options.faults.hangupStart = 0.3;
    options.faults.hangupLength = 0.5;
    std::string error;
    const std::string link = dir.File("pfpd");
    auto session = SimulatorSession::Start(options, error, link);
    ASSERT_TRUE(session) << error;
    EXPECT_EQ(session->DevicePath(), link);
    {
        SimClient client(link);
        ASSERT_TRUE(client.IsOpen());
        EXPECT_TRUE(client.Exchange(64).has_value());
        SleepMs(450);
        EXPECT_FALSE(client.Exchange(64, {}, 100).has_value());
        EXPECT_FALSE(SimClient(link).IsOpen()) << "an unplugged adapter cannot be opened";
    }
    SleepMs(500);
    SimClient again(link);
    ASSERT_TRUE(again.IsOpen());
    EXPECT_TRUE(again.Exchange(64).has_value());
    EXPECT_EQ(session->Emulator().Stats().hangUps, 1);
}

TEST(LineFaults, HostileLinesCarryBytesButNeverAFrameThenRecover) {
    EmulatorOptions options;
    options.gc.warmupSeconds = 0.0;
    options.faults.noiseStart = 0.2;
    options.faults.noiseLength = 0.4;
    options.faults.dripStart = 0.8;
    options.faults.dripLength = 0.4;
    options.faults.dripMs = 10;
    options.faults.wrongBaudStart = 1.4;
    options.faults.wrongBaudLength = 0.6;
    std::string error;
    auto session = SimulatorSession::Start(options, error);
    ASSERT_TRUE(session) << error;
    SimClient client(session->DevicePath());
    SleepMs(300);
    client.Send(64);
    const Bytes noise = client.Drain(250);
    EXPECT_GT(noise.size(), 500u) << "the line is full of noise";
    EXPECT_EQ(std::count(noise.begin(), noise.end(), kStx), 0);
    client.Drain(300); // the rest of the noise; into the drip
    client.Send(64);
    const Bytes drip = client.Drain(250);
    ASSERT_GE(drip.size(), 10u);
    EXPECT_LE(drip.size(), 30u) << "a byte every 10 ms";
    EXPECT_EQ(std::count(drip.begin(), drip.end(), kDle), 0) << "the frame never ends";
    client.Drain(400); // into the wrong rate
    client.Send(46);
    const Bytes garbled = client.Drain(250);
    EXPECT_GE(garbled.size(), 50u) << "the board reply, garbled";
    EXPECT_EQ(std::count(garbled.begin(), garbled.end(), kStx), 0);
    SleepMs(400);
    EXPECT_TRUE(client.Exchange(64).has_value());
}

TEST(LineFaults, ServesWhetherOrNotTheClientHoldsTheDevice) {
    std::string error;
    auto session = SimulatorSession::Start(FastOptions(), error);
    ASSERT_TRUE(session) << error;
    for (int round = 0; round < 3; ++round) {
        SimClient client(session->DevicePath());
        ASSERT_TRUE(client.IsOpen());
        // A second exclusive open must fail while the first holds the device.
        EXPECT_FALSE(SimClient(session->DevicePath()).IsOpen() && ::geteuid() != 0);
        EXPECT_TRUE(client.Exchange(0).has_value());
    }
}

TEST(SimCommandLine, EveryOptionIsParsedAndListed) {
    SimCommandLine line;
    std::string error;
    ASSERT_TRUE(ParseSimCommandLine(
        {"--rate",      "5",           "--baud",   "9600",         "--fast",       "--seed",        "9",
         "--no-eeprom", "--run-every", "30",       "--run-length", "20",           "--pmt-episode", "10,2.5",
         "--flip-rate", "0.01",        "--hangup", "4,1,10,20",    "--verbose",    "--event-log",   "e.log",
         "--drip",      "1,2,15",      "--noise",  "3,4",          "--wrong-baud", "5,6,4800"},
        line, error))
        << error;
    EXPECT_EQ(line.emulator.rateHz, 5.0);
    EXPECT_EQ(line.emulator.baud, 9600);
    EXPECT_TRUE(line.emulator.fast);
    EXPECT_EQ(line.emulator.faults.seed, 9u);
    EXPECT_TRUE(line.emulator.eepromPath.empty());
    EXPECT_EQ(line.emulator.gc.pmtEpisodeStart, 10.0);
    EXPECT_EQ(line.emulator.gc.pmtEpisodeLength, 2.5);
    EXPECT_EQ(line.emulator.faults.flipRate, 0.01);
    EXPECT_EQ(line.emulator.faults.hangupLength, 1.0);
    EXPECT_EQ(line.emulator.faults.hangupEvery, 10.0);
    EXPECT_EQ(line.emulator.faults.hangupCount, 20);
    EXPECT_EQ(line.emulator.faults.dripMs, 15);
    EXPECT_EQ(line.emulator.faults.noiseLength, 4.0);
    EXPECT_EQ(line.emulator.faults.wrongBaud, 4800);
    EXPECT_EQ(line.eventLogPath, "e.log");
    ASSERT_TRUE(ParseSimCommandLine(
        {"--twice-rate", "0.5", "--late-rate", "0.25", "--late-ms", "90", "--drop-pending-pulse"}, line,
        error))
        << error;
    EXPECT_EQ(line.emulator.faults.replyTwiceRate, 0.5);
    EXPECT_EQ(line.emulator.faults.lateRate, 0.25);
    EXPECT_EQ(line.emulator.faults.lateMs, 90);
    EXPECT_TRUE(line.emulator.dropPendingPulse);
    EXPECT_FALSE(ParseSimCommandLine({"--flip-rate", "2"}, line, error));
    EXPECT_FALSE(ParseSimCommandLine({"--pmt-episode", "10"}, line, error));
    EXPECT_FALSE(ParseSimCommandLine({"--rate"}, line, error));
    EXPECT_FALSE(ParseSimCommandLine({"--bogus"}, line, error));
    const std::string help = SimHelpText();
    for (const char* option :
         {"--rate",       "--jitter",      "--baud",        "--fast",       "--seed",
          "--eeprom",     "--no-eeprom",   "--link",        "--warmup",     "--run-every",
          "--run-length", "--pmt-episode", "--drop-rate",   "--dup-rate",   "--flip-rate",
          "--crc-rate",   "--nak-rate",    "--ignore-rate", "--pause-rate", "--pause-ms",
          "--silence",    "--hangup",      "--verbose",     "--help",       "--event-log"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
    }
    for (const char* option : {"--twice-rate", "--late-rate", "--late-ms", "--drop-pending-pulse", "--drip",
                               "--noise", "--wrong-baud"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
    }
}

TEST(PfpdSim, PrintsTheDeviceServesItAndStopsOnSigterm) {
    SimProcess sim({"--no-eeprom", "--fast", "--warmup", "0"});
    const std::string path = sim.DevicePath();
    ASSERT_FALSE(path.empty());
    {
        SimClient client(path);
        ASSERT_TRUE(client.IsOpen()) << path;
        const auto reply = client.Exchange(0);
        ASSERT_TRUE(reply.has_value());
        EXPECT_EQ(reply->body[4], 0);
    }
    const int status = sim.Stop(SIGTERM);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
