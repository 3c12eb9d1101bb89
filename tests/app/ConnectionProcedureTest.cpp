#include "app/ConnectionProcedure.h"
#include "FakePlatform.h"
#include "app/AppMessages.h"

#include <gtest/gtest.h>

using namespace veltrane;

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
    bool PermissionDenied() const override { return denied; }
    std::string DeviceName() const override { return "/dev/null"; }

    bool open = false;
    bool openWorks = true;
    bool denied = false;
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

TEST(ConnectionProcedure, BusyPortShowsTheMessageAndThePermissionHint) {
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

    line.denied = true;
    prompts.Clear();
    procedure.Run(2, 38400, version);
    ASSERT_EQ(prompts.shown.size(), 1u);
    const std::string& text = prompts.shown[0].text;
    EXPECT_EQ(text.rfind(messages::kPortBusy, 0), 0u);
    EXPECT_NE(text.find("/dev/null"), std::string::npos);
    EXPECT_NE(text.find("group '" + DeviceGroupName("/dev/null") + "'"), std::string::npos);
}
