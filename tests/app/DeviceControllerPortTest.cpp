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
        ASSERT_TRUE(WaitFor([&] { return link.BytesWaiting() >= expected; }, kGenerousDeadline,
                            std::chrono::milliseconds(1)));
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
