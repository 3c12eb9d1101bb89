#include "app/ConnectionProcedure.h"
#include "FakePlatform.h"
#include "PtyPeer.h"
#include "app/AppMessages.h"
#include "app/DeviceControllerPort.h"
#include "config/ConfigurationModel.h"
#include "config/RunLog.h"
#include "device/DeviceLink.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace veltrane;
using namespace std::chrono;

namespace {

class FakeLine : public ConnectionLine {
public:
    bool IsOpen() const override { return open; }
    bool OpenLine(int port, int) override {
        ++opens;
        openedPort = port;
        open = openWorks;
        return open;
    }
    bool SetTimeouts(int) override { return open; }
    bool ReadControllerId(std::string& text) override {
        ++idRequests;
        if (idRequests >= answerOnTry) {
            text = "V1";
            return true;
        }
        return false;
    }
    void CloseLine() override {
        open = false;
        ++closes;
    }
    std::string OpenFailure() const override { return failure; }

    bool open = false;
    bool openWorks = true;
    std::string failure;
    int answerOnTry = 1000;
    int opens = 0;
    int closes = 0;
    int idRequests = 0;
    int openedPort = 0;
};

} // namespace

TEST(ConnectionProcedure, FiveTriesHalfASecondApartThenTheOptions) {
    FakeLine line;
    fakes::FakePrompts prompts;
    fakes::FakeClock clock;
    int asked = 0;
    ConnectionProcedure procedure(line, prompts, clock, [&] {
        ++asked;
        return ConnectionResult::Offline;
    });
    std::string version;
    EXPECT_EQ(procedure.Run(2, 38400, version), ConnectionResult::Offline);
    EXPECT_EQ(line.idRequests, 5);
    EXPECT_EQ(clock.slept, 5 * 500);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(prompts.shown.empty()); // a silent controller gets no message
    EXPECT_FALSE(line.open);            // the port is closed when not connected
}

TEST(ConnectionProcedure, RetryKeepsTheOpenPortAndConnects) {
    FakeLine line;
    line.answerOnTry = 7;
    fakes::FakePrompts prompts;
    fakes::FakeClock clock;
    ConnectionProcedure procedure(line, prompts, clock, [] { return ConnectionResult::Retry; });
    std::string version;
    EXPECT_EQ(procedure.Run(1, 38400, version), ConnectionResult::Connected);
    EXPECT_EQ(version, "V1");
    EXPECT_EQ(line.opens, 1);
    EXPECT_EQ(line.closes, 0);
    EXPECT_EQ(line.openedPort, 1);
}

TEST(ConnectionProcedure, BusyPortShowsTheMessageAndTheReason) {
    FakeLine line;
    line.openWorks = false;
    fakes::FakePrompts prompts;
    fakes::FakeClock clock;
    ConnectionProcedure procedure(line, prompts, clock, [] { return ConnectionResult::Exit; });
    std::string version;
    EXPECT_EQ(procedure.Run(2, 38400, version), ConnectionResult::Exit);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, messages::kPortBusy);
    EXPECT_EQ(line.idRequests, 0);
    EXPECT_EQ(clock.slept, 0);

    line.failure = "/dev/ttyUSB0 does not exist.";
    prompts.Clear();
    procedure.Run(2, 38400, version);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, std::string(messages::kPortBusy) + "\n\n/dev/ttyUSB0 does not exist.");
}

// Noise on the line at start-up: every identification read still ends on time, so the five
// tries end and the options are offered while the noise goes on.
TEST(ConnectionProcedure, EndlessNoiseEndsTheTriesOnTime) {
    veltrane::testing::PtyPair pty;
    fakes::FakePrompts prompts;
    fakes::FakeClock clock; // the pauses between tries cost no real time here
    fakes::TempDir dir;
    RunLog runLog{dir.File("run.log"), clock, prompts};
    ConfigurationModel config{prompts, runLog};
    DeviceLink link{prompts};
    link.SetDeviceOverride(pty.SlavePath());
    DeviceControllerPort port{link, config, clock};
    ConnectionProcedure procedure(port, prompts, clock, [] { return ConnectionResult::Offline; });
    veltrane::testing::EndlessNoise noise(pty, 4, 1, 4000);
    std::string version;
    const auto start = steady_clock::now();
    EXPECT_EQ(procedure.Run(1, 38400, version), ConnectionResult::Offline);
    const auto took = duration_cast<milliseconds>(steady_clock::now() - start).count();
    EXPECT_EQ(procedure.Tries(), ConnectionProcedure::kTries);
    EXPECT_LT(took, ConnectionProcedure::kTries * (link.FrameTimeMs() + link.Timeout() + 40));
}
