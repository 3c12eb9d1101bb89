// The dialogs' controller exchanges against the emulator over a pseudo-terminal.
#include "DialogTestSupport.h"
#include "dialogs/BoardChannelEditor.h"
#include "dialogs/GateModesEditor.h"
#include "dialogs/TimedEventsEditor.h"
#include "sim/SimulatorSession.h"

#include <gtest/gtest.h>

using namespace veltrane;
using namespace veltrane::dialogtest;

namespace {

class DialogsOnline : public ::testing::Test {
protected:
    void SetUp() override {
        EmulatorOptions options;
        options.fast = true;
        options.gc.warmupSeconds = 0.0;
        std::string error;
        session = SimulatorSession::Start(options, error);
        ASSERT_TRUE(session) << error;
        ASSERT_TRUE(world.link.OpenDevice(session->DevicePath(), options.baud));
        ASSERT_TRUE(world.link.SetTimeouts(50));
        world.live.online = true;
    }
    void TearDown() override { world.link.Close(); }

    ControllerMemory Memory() const { return session->Emulator().Memory(); }

    DialogWorld world;
    std::unique_ptr<SimulatorSession> session;
};

} // namespace

TEST_F(DialogsOnline, BoardApplyThenCancelSendsTheOldValuesAgain) {
    BoardChannelEditor editor(world.host);
    editor.Open();
    EXPECT_EQ(world.config.GetTriggerLevel(), 100); // received from the controller
    EXPECT_EQ(world.config.GetPmtVoltage(), 600);
    BoardControls controls = editor.Controls();
    controls.trigger = "250";
    controls.pmt = "700";
    controls.output[0] = "4321";
    ASSERT_TRUE(editor.Apply(controls));
    EXPECT_EQ(Memory().TriggerLevel(), 250);
    EXPECT_EQ(Memory().PmtVoltage(), 700);
    EXPECT_EQ(Memory().ChannelZero(0), 4321);
    editor.Cancel();
    EXPECT_EQ(Memory().TriggerLevel(), 100);
    EXPECT_EQ(Memory().PmtVoltage(), 600);
    EXPECT_EQ(Memory().ChannelZero(0), 0);
    EXPECT_FALSE(world.live.pollingSuspended);
    EXPECT_TRUE(world.prompts.Texts().empty());
}

TEST_F(DialogsOnline, OpenThenCancelResendsAndClearsTheModifiedMark) {
    world.document.modified = true;
    BoardChannelEditor editor(world.host);
    editor.Open();
    const auto before = session->Emulator().Stats().requests;
    editor.Cancel();
    EXPECT_GT(session->Emulator().Stats().requests, before);
    EXPECT_FALSE(world.document.modified);
    EXPECT_EQ(Memory().TriggerLevel(), 100);
}

TEST_F(DialogsOnline, ZeroTakesTheControllersNewValue) {
    BoardChannelEditor editor(world.host);
    editor.Open();
    ASSERT_TRUE(editor.Zero(1));
    EXPECT_EQ(world.config.GetChannel(1).zeroValue, editor.Working().channels[1].zeroValue);
    EXPECT_EQ(Memory().ChannelZero(1), world.config.GetChannel(1).zeroValue);
}

TEST_F(DialogsOnline, GateModesStartFromTheControllerAndOkSendsThem) {
    GateModesEditor editor(world.host);
    editor.Open();
    ASSERT_EQ(editor.Modes().size(), 2u); // the controller's S and P
    GateFields fields;
    fields.name = 0;
    fields.startA = "11";
    fields.stopA = "18";
    fields.alpha = "0.3";
    fields.stopB = "9";
    ASSERT_TRUE(editor.Add(fields));
    EXPECT_EQ(editor.Modes().back().suffix, 2);
    ASSERT_TRUE(editor.Ok(fields));
    const GateMode sent = Memory().Gate(2);
    EXPECT_EQ(sent.name, 0);
    EXPECT_EQ(sent.suffix, 2);
    EXPECT_FLOAT_EQ(sent.stopA, 18.0f);
}

TEST_F(DialogsOnline, TimedEventsOkSendsTheList) {
    TimedEventsEditor editor(world.host);
    EventControls controls;
    editor.Open(controls);
    editor.ChooseType(kEventRecord, controls);
    controls.startTime = "1.5";
    controls.valueText = "3";
    ASSERT_TRUE(editor.Add(controls));
    ASSERT_TRUE(editor.Ok(controls));
    ASSERT_EQ(Memory().timedEvents.size(), 1u);
    EXPECT_TRUE(world.document.modified);
}

TEST_F(DialogsOnline, SilentControllerGivesCommandFailedAndTheDialogGoesOn) {
    world.link.Close();
    GateModesEditor editor(world.host);
    editor.Open();
    EXPECT_EQ(world.prompts.Texts(), std::vector<std::string>{"Command Failed"});
    EXPECT_EQ(world.clock.slept, 5 * 250);
    EXPECT_FALSE(world.live.pollingSuspended);
}
