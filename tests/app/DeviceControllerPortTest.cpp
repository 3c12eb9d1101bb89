#include "app/DeviceControllerPort.h"
#include "FakePlatform.h"
#include "PtyPeer.h"
#include "WaitFor.h"
#include "config/ConfigurationModel.h"
#include "config/RunLog.h"
#include "device/DeviceLink.h"
#include "live/AcquisitionCycle.h"
#include "sim/SimulatorSession.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <termios.h>

using namespace veltrane;
using namespace veltrane::testing;

namespace {

constexpr std::uint8_t kNak = 0x15;

Bytes PulseData(std::uint8_t sequence) {
    Bytes data(507, 0x33);
    data[0] = sequence;
    return data;
}

// How the live cycle sees the line: when a pulse reply is read, and what a NAK or a cut
// frame come to. The clock is a fake one, the line a real pseudo-terminal.
class PulseReadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(link.OpenDevice(pty.SlavePath(), 38400));
        ASSERT_TRUE(link.SetTimeouts(50));
    }
    // Until the bytes written to the master show on the slave side.
    void Settle(int expected) {
        ASSERT_TRUE(
            WaitFor([&] { return link.BytesWaiting() + static_cast<int>(link.CarriedBytes()) >= expected; },
                    kGenerousDeadline, std::chrono::milliseconds(1)));
    }

    PtyPair pty;
    fakes::FakePrompts prompts;
    fakes::FakeClock clock;
    fakes::TempDir dir;
    RunLog runLog{dir.File("run.log"), clock, prompts};
    ConfigurationModel config{prompts, runLog};
    DeviceLink link{prompts};
    DeviceControllerPort port{link, config, clock};
    PulseRecord record;
};

} // namespace

TEST_F(PulseReadTest, NakIsTakenOnceTheLineIsQuietBehindIt) {
    pty.WriteMaster({kNak, 60, 1});
    Settle(3);
    EXPECT_EQ(port.ReadPulse(record), PulseRead::None); // just arrived: more may follow
    clock.Advance(PulseReadPolicy::kShortFrameQuietMs - 10);
    EXPECT_EQ(port.ReadPulse(record), PulseRead::None);
    clock.Advance(10);
    EXPECT_EQ(port.ReadPulse(record), PulseRead::Damaged); // not after the whole 400 ms
    EXPECT_EQ(port.ReadPulse(record), PulseRead::None);
}

TEST_F(PulseReadTest, ReplyNearItsEndIsReadWaitingForItsTail) {
    const Bytes frame = ReplyFrame(60, PulseData(9));
    const auto cut = static_cast<long>(frame.size()) - 30;
    pty.WriteMaster(Bytes(frame.begin(), frame.begin() + cut));
    Settle(static_cast<int>(cut));
    std::thread tail([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
        pty.WriteMaster(Bytes(frame.begin() + cut, frame.end()));
    });
    const PulseRead read = port.ReadPulse(record);
    tail.join();
    ASSERT_EQ(read, PulseRead::Pulse);
    EXPECT_EQ(record.sequence, 9);
}

TEST_F(PulseReadTest, FrameCutShortIsWaitedForThenGivenUp) {
    const Bytes frame = ReplyFrame(60, PulseData(4));
    pty.WriteMaster(Bytes(frame.begin(), frame.begin() + 300));
    Settle(300);
    EXPECT_EQ(port.ReadPulse(record), PulseRead::None);
    clock.Advance(PulseReadPolicy::kPartialFrameWaitMs - 1); // quiet, but too long for a NAK
    EXPECT_EQ(port.ReadPulse(record), PulseRead::None);
    clock.Advance(1);
    EXPECT_EQ(port.ReadPulse(record), PulseRead::Damaged);

    pty.WriteMaster(ReplyFrame(60, PulseData(5)));
    Settle(517);
    ASSERT_EQ(port.ReadPulse(record), PulseRead::Pulse); // the next reply is whole again
    EXPECT_EQ(record.sequence, 5);
}

// Off, nothing goes to the controller while a reply arrives: the one request follows the reply.
// On, one request goes out as soon as the reply's header and sequence byte are in, none for the
// rest of it, and the cycle's request after the reply is that one, not a second.
TEST_F(PulseReadTest, NextRequestGoesOutOnceAsTheHeaderArrivesOnlyWhenAsked) {
    const Bytes first = ReplyFrame(60, PulseData(4));
    const Bytes second = ReplyFrame(60, PulseData(5));
    const long header = DeviceControllerPort::kReplyHeaderBytes + 1; // and the sequence byte
    const auto half = static_cast<long>(first.size()) / 2;
    pty.WriteMaster(Bytes(first.begin(), first.begin() + half));
    Settle(static_cast<int>(half));
    EXPECT_EQ(port.ReadPulse(record), PulseRead::None);
    EXPECT_TRUE(pty.ReadMaster(30).empty());
    pty.WriteMaster(Bytes(first.begin() + half, first.end()));
    Settle(static_cast<int>(first.size()));
    ASSERT_EQ(port.ReadPulse(record), PulseRead::Pulse);
    EXPECT_TRUE(pty.ReadMaster(30).empty());
    ASSERT_TRUE(port.RequestPulse());
    const Bytes request = pty.ReadMaster();
    ASSERT_FALSE(request.empty());

    port.SetEarlyPulseRequest(true);
    pty.WriteMaster(Bytes(second.begin(), second.begin() + header - 1));
    Settle(static_cast<int>(header - 1));
    EXPECT_EQ(port.ReadPulse(record), PulseRead::None);
    EXPECT_TRUE(pty.ReadMaster(30).empty()); // a new pulse, or the last one sent again?
    pty.WriteMaster(Bytes(second.begin() + header - 1, second.begin() + header));
    Settle(static_cast<int>(header));
    EXPECT_EQ(port.ReadPulse(record), PulseRead::None);
    EXPECT_EQ(pty.ReadMaster(), request);
    pty.WriteMaster(Bytes(second.begin() + header, second.begin() + half));
    Settle(static_cast<int>(half));
    EXPECT_EQ(port.ReadPulse(record), PulseRead::None);
    pty.WriteMaster(Bytes(second.begin() + half, second.end()));
    Settle(static_cast<int>(second.size()));
    ASSERT_EQ(port.ReadPulse(record), PulseRead::Pulse);
    EXPECT_EQ(record.sequence, 5);
    EXPECT_TRUE(port.RequestPulse());
    EXPECT_TRUE(pty.ReadMaster(30).empty()) << "one request ahead, never two";

    pty.WriteMaster(second); // the same reply once more: no new pulse
    Settle(static_cast<int>(second.size()));
    EXPECT_EQ(port.ReadPulse(record), PulseRead::Repeated);
    EXPECT_TRUE(pty.ReadMaster(30).empty()) << "a reply sent twice answers no request";
}

namespace {

// The live cycle against the emulator on a line paced as a real one, for a few seconds.
struct EmulatedStream {
    std::vector<int> shown;
    CycleStats stats;
    EmulatorStats emulator;
};

class SequenceHost : public LiveHost {
public:
    void ShowPulse(const PulseRecord& record) override { shown.push_back(record.sequence); }
    void ShowPmtWarning() override {}
    void RefreshBoardDialog() override {}
    void WriteRunLog(const std::string&) override {}
    void BeginBusy() override {}
    void EndBusy() override {}
    void ReportLinkLost() override {}
    void ReportLinkRestored() override {}
    std::vector<int> shown;
};

EmulatedStream RunStream(EmulatorOptions options, bool early, double seconds) {
    fakes::TempDir dir;
    options.gc.warmupSeconds = 0.0;
    EmulatedStream out;
    std::string error;
    auto session = SimulatorSession::Start(options, error, dir.File("pfpd"));
    if (!session) {
        ADD_FAILURE() << error;
        return out;
    }
    fakes::FakePrompts prompts;
    RunLog runLog{dir.File("run.log"), SystemClock::Instance(), prompts};
    ConfigurationModel config{prompts, runLog};
    DeviceLink link{prompts};
    link.SetDeviceOverride(session->DevicePath());
    DeviceControllerPort port{link, config, SystemClock::Instance()};
    port.SetEarlyPulseRequest(early);
    EXPECT_TRUE(port.OpenLine(1, 38400));
    EXPECT_TRUE(port.SetTimeouts(50));
    LiveState live;
    live.online = true;
    SequenceHost host;
    fakes::FakeClock noPause;
    AcquisitionCycle cycle(live, port, host, SystemClock::Instance(), noPause);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        cycle.Tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    out.shown = host.shown;
    out.stats = cycle.Stats();
    out.emulator = session->Emulator().Stats();
    return out;
}

// No pulse shown twice: the sequence byte never repeats from one pulse shown to the next.
bool NoneShownTwice(const std::vector<int>& sequences) {
    for (std::size_t i = 1; i < sequences.size(); ++i) {
        if (sequences[i] == sequences[i - 1]) {
            return false;
        }
    }
    return true;
}

} // namespace

// Pulses 135-143 ms apart, each reply about 138 ms on the line: with one request per reply the
// controller has none when the shorter intervals end; one request ahead catches them all, back to
// back.
TEST(FullDuplexStreamTest, RequestAheadCatchesPulsesFasterThanOneReplyPerRequest) {
    EmulatorOptions options;
    options.rateHz = 7.2;
    const EmulatedStream early = RunStream(options, true, 3.0);
    ASSERT_GE(early.stats.pulses, 15u);
    EXPECT_EQ(early.stats.sequenceGaps, 0u);
    EXPECT_EQ(early.stats.damagedReplies, 0u);
    EXPECT_LE(early.emulator.requests, early.emulator.pulsesSent + 1) << "never more than one ahead";

    const EmulatedStream strict = RunStream(options, false, 3.0);
    ASSERT_GE(strict.stats.pulses, 4u);
    EXPECT_GT(strict.stats.sequenceGaps, strict.stats.pulses / 4);
}

// The controller's latitude with one request ahead: replies late and replies sent twice neither
// shift the frames nor show (and so record) a pulse twice.
TEST(FullDuplexStreamTest, LateAndDuplicatedRepliesKeepTheFramesInStep) {
    EmulatorOptions options;
    options.rateHz = 7.2;
    options.faults.seed = 5;
    options.faults.lateRate = 0.15;
    options.faults.replyTwiceRate = 0.15;
    const EmulatedStream stream = RunStream(options, true, 4.0);
    ASSERT_GE(stream.shown.size(), 15u);
    EXPECT_TRUE(NoneShownTwice(stream.shown));
    EXPECT_GT(stream.stats.duplicates, 0u);
    EXPECT_EQ(stream.stats.damagedReplies, 0u);
    EXPECT_EQ(stream.stats.pulses, stream.shown.size());
    EXPECT_LE(stream.emulator.requests, stream.emulator.pulsesSent + 1) << "never more than one ahead";
}

namespace {

// Notes, for each pulse shown, the PMT voltage the program then held and whether the line had
// come back by then.
class RecoveryHost : public LiveHost {
public:
    explicit RecoveryHost(const ConfigurationModel& model) : config(model) {}
    void ShowPulse(const PulseRecord&) override {
        (restored > 0 ? afterPmt : beforePmt).push_back(config.GetPmtVoltage());
    }
    void ShowPmtWarning() override {}
    void RefreshBoardDialog() override {}
    void WriteRunLog(const std::string&) override {}
    void BeginBusy() override {}
    void EndBusy() override {}
    void ReportLinkLost() override { ++lost; }
    void ReportLinkRestored() override { ++restored; }

    const ConfigurationModel& config;
    std::vector<int> beforePmt;
    std::vector<int> afterPmt;
    int lost = 0;
    int restored = 0;
};

} // namespace

// The line hangs up and comes back: whatever answers now may have been reset or replaced, so it
// is identified and its settings are taken again before the first pulse after the outage.
TEST(LineRecoveryTest, ControllerIsIdentifiedAndItsSettingsReceivedBeforePulsesResume) {
    fakes::TempDir dir;
    EmulatorOptions options;
    options.fast = true;
    options.gc.warmupSeconds = 0.0;
    options.rateHz = 10.0;
    options.faults.hangupStart = 1.0;
    options.faults.hangupLength = 0.5;
    std::string error;
    auto session = SimulatorSession::Start(options, error, dir.File("pfpd"));
    ASSERT_TRUE(session) << error;

    fakes::FakePrompts prompts;
    RunLog runLog{dir.File("run.log"), SystemClock::Instance(), prompts};
    ConfigurationModel config{prompts, runLog};
    DeviceLink link{prompts};
    link.SetDeviceOverride(session->DevicePath());
    DeviceControllerPort port{link, config, SystemClock::Instance()};
    ASSERT_TRUE(port.OpenLine(1, 38400));
    ASSERT_TRUE(port.SetTimeouts(50));
    ASSERT_TRUE(port.ReceiveAllSettings());
    const int controllerPmt = config.GetPmtVoltage();
    // The program's settings drift from the controller's (as after a reset of the controller).
    config.SetPmtVoltage(static_cast<std::int16_t>(controllerPmt + 7));

    LiveState live;
    live.online = true;
    RecoveryHost host(config);
    fakes::FakeClock noPause;
    AcquisitionCycle cycle(live, port, host, SystemClock::Instance(), noPause);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(8);
    while (host.afterPmt.size() < 3 && std::chrono::steady_clock::now() < deadline) {
        cycle.Tick();
        if (host.lost > 0 && host.restored == 0) {
            live.controllerVersion.clear();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(host.lost, 1);
    ASSERT_EQ(host.restored, 1);
    ASSERT_FALSE(host.beforePmt.empty());
    EXPECT_EQ(host.beforePmt.back(), controllerPmt + 7);
    EXPECT_EQ(live.controllerVersion, options.versionText);
    ASSERT_FALSE(host.afterPmt.empty());
    EXPECT_EQ(host.afterPmt.front(), controllerPmt); // received before the first pulse shown
}

// A rate chosen for the rest of the run holds on the open line at once, and on the line opened
// again after a loss: not the rate the session first connected at.
TEST(LineRateTest, SwitchedRateHoldsOnTheOpenLineAndAfterAReopen) {
    PtyPair pty;
    fakes::FakePrompts prompts;
    fakes::FakeClock clock;
    fakes::TempDir dir;
    RunLog runLog{dir.File("run.log"), clock, prompts};
    ConfigurationModel config{prompts, runLog};
    DeviceLink link{prompts};
    link.SetDeviceOverride(pty.SlavePath());
    DeviceControllerPort port{link, config, clock};
    ASSERT_TRUE(port.OpenLine(1, 38400));
    const auto lineSpeed = [&] {
        termios settings{};
        EXPECT_EQ(tcgetattr(link.Handle(), &settings), 0);
        return cfgetospeed(&settings);
    };

    ASSERT_TRUE(link.SetBaudRate(4800));
    EXPECT_EQ(lineSpeed(), static_cast<speed_t>(B4800));

    ASSERT_TRUE(port.Reopen());
    EXPECT_EQ(link.BaudRate(), 4800);
    EXPECT_EQ(lineSpeed(), static_cast<speed_t>(B4800));
    EXPECT_FALSE(link.SetBaudRate(1234)); // no such rate: the line keeps its own
    EXPECT_EQ(link.BaudRate(), 4800);
}
