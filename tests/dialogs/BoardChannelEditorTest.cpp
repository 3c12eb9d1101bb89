// The board and channel rules: reading order, PMT protection, undo, Zero and Set.
#include "dialogs/BoardChannelEditor.h"
#include "DialogTestSupport.h"
#include "dialogs/DialogMessages.h"

#include <gtest/gtest.h>

using namespace veltrane;
using namespace veltrane::dialogtest;

namespace {

class BoardChannelEditorTest : public ::testing::Test {
protected:
    BoardControls Open() {
        editor.Open();
        world.prompts.Clear();
        return editor.Controls();
    }
    DialogWorld world;
    BoardChannelEditor editor{world.host};
};

} // namespace

TEST_F(BoardChannelEditorTest, OpeningFillsBothCopiesAndTheModeTexts) {
    world.SetModes({Mode(0, 1), Mode(0, 2), Mode(1, 1)});
    world.AssignChannel(1, 0, 2);
    world.config.SetTriggerLevel(1200);
    world.live.skipNextReceive = true;
    BoardControls controls = Open();
    EXPECT_TRUE(world.live.boardDialogOpen);
    EXPECT_FALSE(world.live.skipNextReceive);
    EXPECT_EQ(editor.ModeTexts(), (std::vector<std::string>{"S", "S-2", "P"}));
    EXPECT_EQ(controls.mode[0], 0);
    EXPECT_EQ(controls.mode[1], 1);
    EXPECT_EQ(controls.trigger, "1200");
    EXPECT_TRUE(editor.FlowFieldsDisabled());
}

TEST_F(BoardChannelEditorTest, FlowFieldsFollowTheH2Coefficients) {
    world.config.SetCoefficient(CoefficientGroup::H2, 2, 0.5f);
    Open();
    EXPECT_FALSE(editor.FlowFieldsDisabled());
}

TEST_F(BoardChannelEditorTest, FirstRefusalStopsTheReadingAndNothingIsStored) {
    BoardControls controls = Open();
    controls.air2 = "100";
    controls.trigger = "5001";
    EXPECT_FALSE(editor.Apply(controls));
    EXPECT_EQ(world.prompts.Texts(), std::vector<std::string>{"Please enter a number between 0 and 99.99."});
    EXPECT_EQ(editor.FailedField(), BoardField::Air2);
    controls.air2 = "5";
    EXPECT_FALSE(editor.Apply(controls));
    EXPECT_EQ(world.prompts.Texts().back(), "Please enter an integer between 0 and 5000.");
    EXPECT_EQ(editor.FailedField(), BoardField::Trigger);
    EXPECT_EQ(world.config.GetTriggerLevel(), 1);
    EXPECT_EQ(world.config.GetAir2FlowRate(), 0.0f);
    controls.trigger = "5000";
    controls.output[1] = "65535";
    EXPECT_TRUE(editor.Apply(controls));
    EXPECT_EQ(world.config.GetTriggerLevel(), 5000);
    EXPECT_EQ(world.config.GetChannel(1).zeroValue, 65535);
    controls.output[1] = "65536";
    EXPECT_FALSE(editor.Apply(controls));
    EXPECT_EQ(editor.FailedField(), BoardField::Output2);
}

TEST_F(BoardChannelEditorTest, PmtProtectionShowsAndStoresZero) {
    world.config.SetPmtVoltage(800);
    world.live.status.pmtProtection = 1;
    BoardControls controls = Open();
    EXPECT_TRUE(editor.PmtProtected());
    EXPECT_EQ(controls.pmt, "0");
    controls.pmt = "750"; // typed over: protection still wins
    EXPECT_TRUE(editor.Ok(controls));
    EXPECT_EQ(controls.pmt, "0");
    EXPECT_EQ(world.config.GetPmtVoltage(), 0);
    EXPECT_FALSE(world.live.boardDialogOpen);
}

TEST_F(BoardChannelEditorTest, WithoutGateModesTheModeListsAreSkipped) {
    world.AssignChannel(0, 3, 2);
    BoardControls controls = Open();
    EXPECT_TRUE(editor.NoModes());
    EXPECT_EQ(controls.mode[0], -1);
    controls.ignitor = "3.3";
    EXPECT_TRUE(editor.Apply(controls));
    EXPECT_EQ(world.config.GetIgnitorCurrent(), 3.3f);
    EXPECT_EQ(world.config.GetChannel(0).gateModeName, 3);
    EXPECT_EQ(world.config.GetChannel(0).gateModeSuffix, 2);
}

TEST_F(BoardChannelEditorTest, UnknownModeNameResetsToTheFirstName) {
    world.SetModes({Mode(40, 1)});
    BoardControls controls = Open();
    EXPECT_EQ(editor.ModeTexts(), std::vector<std::string>{"***"});
    EXPECT_TRUE(editor.Apply(controls));
    EXPECT_EQ(world.prompts.Texts(),
              (std::vector<std::string>{messages::kGateModeResetToMode1, messages::kGateModeResetToMode1}));
    EXPECT_EQ(world.config.GetChannel(0).gateModeName, 0);
}

TEST_F(BoardChannelEditorTest, ApplyThenCancelRestoresTheValuesFromBeforeTheDialog) {
    world.config.SetTriggerLevel(300);
    BoardControls controls = Open();
    controls.trigger = "400";
    controls.range = 2;
    controls.interpolation[1] = 1;
    ASSERT_TRUE(editor.Apply(controls));
    EXPECT_EQ(world.config.GetTriggerLevel(), 400);
    EXPECT_TRUE(world.document.modified);
    world.live.pollingSuspended = true;
    editor.Cancel();
    EXPECT_EQ(world.config.GetTriggerLevel(), 300);
    EXPECT_EQ(world.config.GetRange(), 1);
    EXPECT_EQ(world.config.GetChannel(1).interpolation, 0);
    EXPECT_FALSE(world.document.modified);
    EXPECT_FALSE(world.live.pollingSuspended);
    EXPECT_FALSE(world.live.boardDialogOpen);
    EXPECT_EQ(world.LogCount("Changed Board Trigger Level to "), 3u);
}

TEST_F(BoardChannelEditorTest, TitleBarCloseUndoesNothing) {
    BoardControls controls = Open();
    controls.trigger = "400";
    ASSERT_TRUE(editor.Apply(controls));
    world.live.pollingSuspended = true;
    editor.CloseByTitleBar();
    EXPECT_EQ(world.config.GetTriggerLevel(), 400);
    EXPECT_TRUE(world.document.modified);
    EXPECT_FALSE(world.live.pollingSuspended);
    EXPECT_FALSE(world.live.boardDialogOpen);
}

TEST_F(BoardChannelEditorTest, SetStoresTheZeroAndPostsItsRequestOnlyOnline) {
    BoardControls controls = Open();
    controls.output[1] = "1234";
    ASSERT_TRUE(editor.Set(1, controls));
    EXPECT_EQ(world.config.GetChannel(1).zeroValue, 1234);
    EXPECT_TRUE(world.live.pendingRequest.Empty());
    EXPECT_EQ(world.LogCount("Set Zero Value for Channel 2 to 1234"), 1u);
    EXPECT_FALSE(editor.Zero(1)); // offline: nothing happens
    EXPECT_EQ(world.config.GetChannel(1).zeroValue, 1234);

    world.live.online = true;
    ASSERT_TRUE(editor.Set(0, controls));
    EXPECT_EQ(world.live.pendingRequest.Current(), kRequestChannel1Zero);
    controls.output[0] = "x";
    EXPECT_FALSE(editor.Set(0, controls));
}
