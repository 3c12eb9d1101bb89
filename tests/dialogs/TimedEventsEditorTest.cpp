// The Timed Events rules: layouts and fallbacks, bounds, the 16-event limit and OK.
#include "dialogs/TimedEventsEditor.h"
#include "DialogTestSupport.h"
#include "dialogs/DialogMessages.h"

#include <gtest/gtest.h>

using namespace veltrane;
using namespace veltrane::dialogtest;

namespace {

class TimedEventsEditorTest : public ::testing::Test {
protected:
    void Open() {
        editor.Open(controls);
        world.prompts.Clear();
    }
    // Picks a type and fills the editor as the operator would.
    void Enter(int type, const char* start, int choice = -1, const char* valueText = "") {
        editor.ChooseType(type, controls);
        controls.startTime = start;
        if (choice >= 0) {
            controls.choice = choice;
        }
        if (!controls.valueIsList) {
            controls.valueText = valueText;
        }
    }
    DialogWorld world;
    TimedEventsEditor editor{world.host};
    EventControls controls;
};

} // namespace

TEST_F(TimedEventsEditorTest, OpensOnAutoZeroWithTheConfigurationsEvents) {
    std::vector<TimedEvent> events = {Event(1.0f, kEventRange, 0, 1.0f)};
    world.config.ReplaceTimedEvents(events);
    Open();
    EXPECT_EQ(controls.startTime, "0.01");
    EXPECT_EQ(controls.type, kEventAutoZero);
    EXPECT_TRUE(controls.valueIsList);
    EXPECT_FALSE(controls.valueListEnabled);
    EXPECT_EQ(controls.choice, -1);
    ASSERT_EQ(editor.Lines().size(), 1u);
    EXPECT_FALSE(editor.ChangeDeleteEnabled());
}

TEST_F(TimedEventsEditorTest, RecordStopTimeMustFollowTheStartByATenth) {
    Open();
    Enter(kEventRecord, "5.0", -1, "5.05");
    EXPECT_EQ(controls.valueLabel, "Stop Time:");
    EXPECT_EQ(controls.unit, "min");
    EXPECT_FALSE(controls.channelEnabled);
    EXPECT_FALSE(editor.Add(controls));
    EXPECT_EQ(world.prompts.Texts(), std::vector<std::string>{"Please enter a number between 5.1 and 180."});
    controls.valueText = "5.1";
    EXPECT_TRUE(editor.Add(controls));
    controls.startTime = "2.3";
    controls.valueText = "2.4";
    EXPECT_TRUE(editor.Add(controls));
    controls.startTime = "180";
    EXPECT_FALSE(editor.Add(controls));
    EXPECT_EQ(world.prompts.Texts().back(), "Please enter a number between 0.01 and 179.9.");
}

// A stop far below the start is refused with the bound that is actually enforced.
TEST_F(TimedEventsEditorTest, RecordStopMessageNamesTheStartPlusATenth) {
    Open();
    Enter(kEventRecord, "5.0", -1, "0.05");
    EXPECT_FALSE(editor.Add(controls));
    EXPECT_EQ(world.prompts.Texts(), std::vector<std::string>{"Please enter a number between 5.1 and 180."});
}

TEST_F(TimedEventsEditorTest, SixteenEventsAtMost) {
    Open();
    Enter(kEventAutoZero, "1.0");
    for (int i = 0; i < 16; ++i) {
        ASSERT_TRUE(editor.AddEnabled());
        ASSERT_TRUE(editor.Add(controls));
    }
    EXPECT_FALSE(editor.AddEnabled());
    EXPECT_FALSE(editor.Add(controls));
    EXPECT_EQ(editor.Events().size(), 16u);
    editor.ChooseEntry(7, controls);
    EXPECT_TRUE(editor.ChangeDeleteEnabled());
    ASSERT_TRUE(editor.Delete(7, controls));
    EXPECT_TRUE(editor.AddEnabled());
    EXPECT_FALSE(editor.ChangeDeleteEnabled());
    EXPECT_EQ(editor.value, -1.0f);
}

TEST_F(TimedEventsEditorTest, GateWithoutModesFallsBackToAutoZero) {
    Open();
    controls.startTime = "12";
    editor.ChooseType(kEventGate, controls);
    EXPECT_EQ(world.prompts.Texts(), std::vector<std::string>{messages::kNoGateModesDefined});
    EXPECT_EQ(controls.type, kEventAutoZero);
    EXPECT_EQ(controls.startTime, "0.01");
    EXPECT_EQ(controls.channel, 0);
    EXPECT_FALSE(controls.valueListEnabled);
}

TEST_F(TimedEventsEditorTest, GateTextGivesNameAndSuffix) {
    GateMode unknown = Mode(30, 1);
    world.SetModes({Mode(0, 1), Mode(0, 2), unknown});
    Open();
    Enter(kEventGate, "3");
    EXPECT_EQ(world.prompts.Texts(), std::vector<std::string>{messages::kGateModeNotAdded});
    EXPECT_EQ(controls.choices, (std::vector<std::string>{"S", "S-2"}));
    EXPECT_EQ(controls.choice, 0);
    controls.choice = 1;
    ASSERT_TRUE(editor.Add(controls));
    EXPECT_EQ(editor.Events().back().value, 0.0f);
    EXPECT_EQ(editor.Events().back().gateSuffix, 2);
    controls.choice = 0;
    ASSERT_TRUE(editor.Add(controls));
    EXPECT_EQ(editor.Events().back().gateSuffix, 1);
    // Loading the S-2 event chooses its text again.
    editor.ChooseEntry(0, controls);
    EXPECT_EQ(controls.choice, 1);
}

TEST_F(TimedEventsEditorTest, FallbacksForValuesThatAreNoChoice) {
    world.config.SetIgnitorCurrent(1.75f);
    world.config.SetRange(2);
    ChannelSettings channel = world.config.GetChannel(0);
    channel.attenuationIndex = 5;
    world.config.SetChannel(channel, 0);
    std::vector<TimedEvent> events = {Event(1.0f, kEventIgnitor, 0, 4.0f),
                                      Event(2.0f, kEventAttenuation, 0, -1.0f),
                                      Event(3.0f, kEventRange, 0, 7.0f), Event(4.0f, kEventIgnitor, 0, 2.5f)};
    world.config.ReplaceTimedEvents(events);
    Open();
    editor.ChooseEntry(0, controls);
    EXPECT_EQ(controls.valueText, "1.75");
    EXPECT_EQ(controls.unit, "Amps");
    editor.ChooseEntry(1, controls);
    EXPECT_EQ(controls.choice, 5);
    editor.ChooseEntry(2, controls);
    EXPECT_EQ(controls.choice, 2);
    EXPECT_FALSE(controls.channelEnabled);
    editor.ChooseEntry(3, controls);
    EXPECT_EQ(controls.valueText, "2.50");
    // A selection outside the list falls back to the first event with the message.
    editor.ChooseEntry(9, controls);
    EXPECT_EQ(world.prompts.Texts(),
              std::vector<std::string>{"Event Index Out Of Range!  (Value Reset To Event 1)"});
    EXPECT_EQ(controls.valueText, "1.75");
}

TEST_F(TimedEventsEditorTest, ChangeOverwritesTheSelectedEvent) {
    std::vector<TimedEvent> events = {Event(1.0f, kEventAutoZero, 0, -1.0f),
                                      Event(2.0f, kEventAutoZero, 1, -1.0f)};
    world.config.ReplaceTimedEvents(events);
    Open();
    editor.ChooseEntry(1, controls);
    Enter(kEventSquareRoot, "2.5", 1);
    ASSERT_TRUE(editor.Change(1, controls));
    EXPECT_EQ(editor.Events()[1], Event(2.5f, kEventSquareRoot, 1, 1.0f));
    EXPECT_EQ(editor.Lines()[1], "\t2.50\t    Square Root\t2\tON");
    EXPECT_FALSE(editor.ChangeDeleteEnabled());
}

TEST_F(TimedEventsEditorTest, OkAlwaysReplacesAndLogsTheList) {
    std::vector<TimedEvent> events = {Event(1.0f, kEventAutoZero, 0, -1.0f)};
    world.config.ReplaceTimedEvents(events);
    Open();
    const std::size_t before = world.LogCount("Changed Timed Event Parameters:");
    EXPECT_TRUE(editor.Ok(controls));
    EXPECT_EQ(world.LogCount("Changed Timed Event Parameters:"), before + 1);
    EXPECT_TRUE(world.document.calls.empty()); // nothing chosen or edited
}

TEST_F(TimedEventsEditorTest, RefusedOkHandsOverLogsAndMarksNothing) {
    Open();
    Enter(kEventRange, "4.0", 1);
    ASSERT_TRUE(editor.Add(controls));
    ASSERT_TRUE(editor.Add(controls));
    const std::size_t before = world.LogCount("Changed Timed Event Parameters:");
    controls.startTime = "500";
    EXPECT_FALSE(editor.Ok(controls));
    EXPECT_FALSE(editor.Ok(controls));
    EXPECT_EQ(world.prompts.Texts().size(), 2u);
    EXPECT_TRUE(world.config.GetTimedEvents().empty());
    EXPECT_EQ(world.LogCount("Changed Timed Event Parameters:"), before);
    EXPECT_TRUE(world.document.calls.empty());

    // Editing goes on from there; OK then hands over the edited list, once.
    ASSERT_TRUE(editor.Delete(0, controls));
    EXPECT_TRUE(editor.Ok(controls));
    ASSERT_EQ(world.config.GetTimedEvents().size(), 1u);
    EXPECT_EQ(world.config.GetTimedEvents()[0].startTime, 4.0f);
    EXPECT_EQ(world.LogCount("Changed Timed Event Parameters:"), before + 1);
    EXPECT_TRUE(world.document.modified);
}
