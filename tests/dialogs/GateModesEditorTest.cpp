// The Gate Parameters rules: suffixes, limits, in-use checks, time checks, OK and Cancel.
#include "dialogs/GateModesEditor.h"
#include "DialogTestSupport.h"
#include "dialogs/DialogMessages.h"

#include <gtest/gtest.h>

using namespace veltrane;
using namespace veltrane::dialogtest;

namespace {

GateFields Fields(int name, const char* startA = "1", const char* stopA = "2", int op = 0,
                  const char* alpha = "1") {
    GateFields fields;
    fields.name = name;
    fields.startA = startA;
    fields.stopA = stopA;
    fields.operatorIndex = op;
    fields.alpha = alpha;
    fields.startB = "3";
    fields.stopB = "4";
    return fields;
}

class GateModesEditorTest : public ::testing::Test {
protected:
    GateModesEditor& Open() {
        editor.Open();
        world.prompts.Clear();
        return editor;
    }
    DialogWorld world;
    GateModesEditor editor{world.host};
};

} // namespace

TEST_F(GateModesEditorTest, NewSuffixFollowsTheHighestOfTheSameName) {
    world.SetModes({Mode(0, 1), Mode(0, 2)});
    Open();
    GateFields fields = Fields(0);
    ASSERT_TRUE(editor.Add(fields));
    EXPECT_EQ(editor.Modes().back().suffix, 3);
    fields = Fields(1);
    ASSERT_TRUE(editor.Add(fields));
    EXPECT_EQ(editor.Modes().back().suffix, 1);
    EXPECT_EQ(editor.Lines().back().substr(0, 5), "\t  P\t");
    EXPECT_EQ(editor.Formula(), "A - 1.000B");
}

TEST_F(GateModesEditorTest, FiveModesAtMost) {
    world.SetModes({Mode(0, 1), Mode(1, 1), Mode(2, 1), Mode(3, 1)});
    Open();
    GateFields fields = Fields(5);
    EXPECT_TRUE(editor.AddEnabled());
    ASSERT_TRUE(editor.Add(fields));
    EXPECT_FALSE(editor.AddEnabled());
    EXPECT_FALSE(editor.Add(fields));
    EXPECT_EQ(editor.Modes().size(), 5u);
    ASSERT_TRUE(editor.Delete(1, fields)); // channels stay on S
    EXPECT_TRUE(editor.AddEnabled());
    EXPECT_EQ(fields.stopA, "0.1"); // fields back to their initial values
    EXPECT_EQ(editor.Formula(), "A - 0.000B");
}

TEST_F(GateModesEditorTest, ModesInUseKeepTheirNameAndCannotBeDeleted) {
    world.SetModes({Mode(0, 1), Mode(1, 1), Mode(2, 1)});
    world.AssignChannel(0, 0, 1);
    world.AssignChannel(1, 1, 1);
    Open();

    // Times of the channel 1 mode may change; its name may not.
    GateFields fields = Fields(0, "2", "5");
    EXPECT_TRUE(editor.Change(fields, 0));
    EXPECT_EQ(editor.Modes()[0].stopA, 5.0f);
    EXPECT_TRUE(world.prompts.Texts().empty());
    fields = Fields(3);
    EXPECT_FALSE(editor.Change(fields, 0));
    EXPECT_EQ(world.prompts.Texts(), std::vector<std::string>{messages::kInUseChannel1});
    EXPECT_FALSE(editor.Delete(1, fields));
    EXPECT_EQ(world.prompts.Texts().back(), messages::kInUseChannel2);

    world.AssignChannel(1, 0, 1);
    EXPECT_FALSE(editor.Delete(0, fields));
    EXPECT_EQ(world.prompts.Texts().back(), messages::kInUseBothChannels);
    EXPECT_EQ(editor.Modes().size(), 3u);
    // A free mode renamed gets the next suffix of its new name.
    fields = Fields(0);
    ASSERT_TRUE(editor.Change(fields, 2));
    EXPECT_EQ(editor.Modes()[2].name, 0);
    EXPECT_EQ(editor.Modes()[2].suffix, 2);
}

TEST_F(GateModesEditorTest, OnlyGateEventsTieAMode) {
    world.SetModes({Mode(0, 1), Mode(1, 1), Mode(2, 1)});
    world.AssignChannel(0, 2, 1);
    world.AssignChannel(1, 2, 1);
    std::vector<TimedEvent> events = {Event(1.0f, kEventAttenuation, 0, 1.0f),
                                      Event(2.0f, kEventGate, 0, 0.0f, 1)};
    world.config.ReplaceTimedEvents(events);
    Open();
    GateFields fields;
    EXPECT_TRUE(editor.Delete(1, fields)); // Attenuation value 1 is no reference to P
    EXPECT_TRUE(world.prompts.Texts().empty());
    EXPECT_FALSE(editor.Delete(0, fields));
    EXPECT_EQ(world.prompts.Texts(), std::vector<std::string>{messages::kInUseTimedEvent});
}

TEST_F(GateModesEditorTest, StopMustFollowStartByATenthLessAnAllowance) {
    Open();
    GateFields fields = Fields(0, "10.0", "10.06");
    EXPECT_TRUE(editor.Add(fields));
    fields = Fields(0, "10.0", "10.04");
    EXPECT_FALSE(editor.Add(fields));
    EXPECT_EQ(world.prompts.Texts(),
              std::vector<std::string>{"Please enter a number between 10.1 and 24.9."});
    fields = Fields(0, "10.0", "10.05");
    EXPECT_TRUE(editor.Add(fields));
    // A stop just under the upper bound is not refused as too high.
    fields = Fields(0, "24.8", "24.86");
    EXPECT_TRUE(editor.Add(fields));
    fields = Fields(0, "24.9", "24.9");
    EXPECT_FALSE(editor.Add(fields));
    EXPECT_EQ(world.prompts.Texts().back(), "Please enter a number between 0 and 24.8.");
}

TEST_F(GateModesEditorTest, FieldsAreReadInOrderAndAlphaFirst) {
    Open();
    GateFields fields = Fields(0, "30", "40", 0, "100");
    EXPECT_FALSE(editor.Add(fields));
    EXPECT_EQ(world.prompts.Texts(),
              std::vector<std::string>{"Please enter a number between -99.999 and 99.999."});
    EXPECT_FALSE(editor.ChangedFlag());
}

TEST_F(GateModesEditorTest, RefusedAddKeepsEarlierAdditionsForOk) {
    world.SetModes({Mode(0, 1)});
    Open();
    const std::size_t logged = world.LogCount("Added Gate Mode: ");
    GateFields fields = Fields(1);
    ASSERT_TRUE(editor.Add(fields));
    fields = Fields(2);
    ASSERT_TRUE(editor.Add(fields));
    fields = Fields(3, "1", "2", 3, "0");
    EXPECT_FALSE(editor.Add(fields));
    EXPECT_EQ(world.prompts.Texts(), std::vector<std::string>{messages::kAlphaZeroNotAllowed});
    EXPECT_FALSE(editor.ChangedFlag());
    fields = Fields(2);
    EXPECT_TRUE(editor.Ok(fields));
    EXPECT_EQ(world.config.GateModeCount(), 3);
    EXPECT_TRUE(world.document.modified);
    EXPECT_EQ(world.LogCount("Added Gate Mode: "), logged + 2);
}

TEST_F(GateModesEditorTest, OkWithoutEditsStoresNothingAndCancelLeavesTheConfiguration) {
    world.SetModes({Mode(0, 1), Mode(1, 1)});
    Open();
    GateFields fields;
    EXPECT_TRUE(editor.Ok(fields));
    EXPECT_TRUE(world.document.calls.empty());

    GateModesEditor other(world.host);
    other.Open();
    fields = Fields(4);
    ASSERT_TRUE(other.Add(fields));
    ASSERT_TRUE(other.Delete(1, fields));
    world.live.pollingSuspended = true;
    other.Cancel();
    EXPECT_FALSE(world.live.pollingSuspended);
    EXPECT_EQ(world.config.GateModeCount(), 2);
    EXPECT_EQ(world.config.GetGateMode(1).name, 1);
}

TEST_F(GateModesEditorTest, OkStoresAndStaysOpenWhenTheFinalReadingFails) {
    Open();
    GateFields fields = Fields(0);
    ASSERT_TRUE(editor.Add(fields));
    fields.stopA = "99";
    EXPECT_FALSE(editor.Ok(fields));
    EXPECT_EQ(world.config.GateModeCount(), 1);
}
