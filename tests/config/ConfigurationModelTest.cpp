#include "ConfigFixture.h"

#include "config/Messages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace veltrane {
namespace {

using ::testing::ElementsAre;
using Texts = std::vector<std::string>;

class ModelTest : public ::testing::Test, public testing::ConfigFixture {
protected:
    static GateMode Mode(int name, int suffix, float startA = 6.0f) {
        GateMode mode;
        mode.name = static_cast<std::int16_t>(name);
        mode.suffix = static_cast<std::int16_t>(suffix);
        mode.startA = startA;
        mode.stopA = 24.0f;
        mode.alpha = 1.0f;
        mode.startB = 1.0f;
        mode.stopB = 3.0f;
        return mode;
    }
};

TEST_F(ModelTest, NewModelHasTheStatedInitialState) {
    EXPECT_EQ(model.GateModeCount(), 0);
    EXPECT_EQ(model.GetTriggerLevel(), 1);
    EXPECT_EQ(model.GetRange(), 1);
    EXPECT_EQ(model.GetChannel(1).gateModeSuffix, 1);
    EXPECT_TRUE(model.GetTimedEvents().empty());
    EXPECT_TRUE(model.LoggingEnabled());
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(ModelTest, BoardSettersLogOnlyRealChangesWithTheirTexts) {
    model.SetPmtVoltage(650);
    model.SetPmtVoltage(650);
    model.SetIgnitorCurrent(2.125f);
    model.SetTriggerLevel(1);
    model.SetTriggerLevel(200);
    model.SetRange(2);
    model.SetRange(7);
    model.SetH2FlowRate(12.5f);
    model.SetCoefficient(CoefficientGroup::Aux, 3, -1.5f);
    EXPECT_THAT(EntryTexts(),
                ElementsAre("Changed Board PMT Voltage to 650", "Changed Board Ignitor Current to 2.12",
                            "Changed Board Trigger Level to 200", "Changed Board Range to 100",
                            "Changed Board Range to ***"));
    EXPECT_EQ(model.GetH2FlowRate(), 12.5f);
    EXPECT_EQ(model.GetCoefficient(CoefficientGroup::Aux, 3), -1.5f);
    EXPECT_EQ(model.GetCoefficient(CoefficientGroup::Aux, 4), 0.0f) << "letters past D read as zero";
}

TEST_F(ModelTest, ChannelSettersLogWithChannelNumberAndZeroAlwaysLogs) {
    ChannelSettings record;
    record.zeroValue = 40000;
    record.interpolation = 1;
    record.attenuationIndex = 4;
    record.gateModeName = 14;
    record.gateModeSuffix = 3;
    model.SetChannel(record, 1);
    model.SetChannel(record, 1); // nothing differs: no entries
    model.SetChannelZero(1, 40000);
    record.attenuationIndex = 40;
    model.SetChannelAttenuation(record, 0);
    record.interpolation = 5;
    model.SetChannelInterpolation(record, 0);

    EXPECT_THAT(
        EntryTexts(),
        ElementsAre("Set Zero Value for Channel 2 to 40000", "Changed Interpolation for Channel 2 to Spline",
                    "Changed Attenuation for Channel 2 to 16", "Changed Gate Mode for Channel 2 to Ni-3",
                    "Set Zero Value for Channel 2 to 40000", "Changed Attenuation for Channel 1 to ***",
                    "Changed Interpolation for Channel 1 to ***"));
    EXPECT_EQ(model.GetChannel(1).extraWord, 0) << "the channel record never carries extraWord";
}

TEST_F(ModelTest, BadChannelIndexesAreCorrectedWithTheirOwnMessages) {
    ChannelSettings& got = model.GetChannel(2);
    EXPECT_EQ(&got, &model.GetChannel(0));
    model.GetChannel(-1);
    ChannelSettings record;
    record.interpolation = 1;
    model.SetChannelInterpolation(record, 5);
    model.SetChannelZero(-3, 7);

    EXPECT_EQ(prompts.Texts(), (Texts{messages::kChannelIndexOutOfRange, messages::kChannelIndexOutOfRange,
                                      messages::kChannelOutOfRange, messages::kChannelOutOfRange}));
    EXPECT_THAT(EntryTexts(), ElementsAre("Changed Interpolation for Channel 1 to Spline",
                                          "Set Zero Value for Channel 1 to 7"));
    EXPECT_EQ(model.GetChannel(0).zeroValue, 7);
}

TEST_F(ModelTest, SetGateModesLogsChangedDeletedAndAddedInOrder) {
    const std::vector<GateMode> first{Mode(0, 1), Mode(1, 1)};
    model.SetGateModes(first);
    EXPECT_EQ(EntryTexts().size(), 2u);
    const std::size_t before = model.RunLogEntries().size();

    model.SetGateModes(first); // identical list
    EXPECT_EQ(model.RunLogEntries().size(), before);

    std::vector<GateMode> changed = first;
    changed[1].alpha = 0.5f;
    model.SetGateModes(changed);
    ASSERT_EQ(model.RunLogEntries().size(), before + 1);
    EXPECT_EQ(EntryTexts().back(),
              "Changed Gate Mode: \nMode:    P,  StartA:  6.00,  StopA: 24.00,  Operator: -,  "
              "Alpha:  0.50\nStartB:  1.00,  StopB:  3.00,  Sqrt: OFF");

    std::vector<GateMode> renamed = changed;
    renamed[0].suffix = 2;
    model.SetGateModes(renamed);
    const Texts texts = EntryTexts();
    ASSERT_EQ(texts.size(), before + 3);
    EXPECT_EQ(texts[before + 1].rfind("Deleted Gate Mode: \nMode:    S,", 0), 0u) << texts[before + 1];
    EXPECT_EQ(texts[before + 2].rfind("Added Gate Mode: \nMode:  S-2,", 0), 0u) << texts[before + 2];
    EXPECT_EQ(model.GateModeCount(), 2);
    EXPECT_EQ(model.GetGateMode(0).suffix, 2);
}

TEST_F(ModelTest, SetGateModesWithEmptyListDeletesEveryOldModeInOrder) {
    model.SetGateModes(std::vector<GateMode>{Mode(0, 1), Mode(1, 1), Mode(0, 2)});
    const std::size_t before = model.RunLogEntries().size();
    model.SetGateModes({});
    const Texts texts = EntryTexts();
    ASSERT_EQ(texts.size(), before + 3);
    EXPECT_NE(texts[before].find("Mode:    S,"), std::string::npos);
    EXPECT_NE(texts[before + 1].find("Mode:    P,"), std::string::npos);
    EXPECT_NE(texts[before + 2].find("Mode:  S-2,"), std::string::npos);
    EXPECT_EQ(model.GateModeCount(), 0);
}

TEST_F(ModelTest, SetGateModesNeverWritesPastFiveSlots) {
    std::vector<GateMode> seven;
    for (int i = 0; i < 7; ++i) {
        seven.push_back(Mode(i, 1));
    }
    model.SetGateModes(seven);
    EXPECT_EQ(model.GateModeCount(), 5);
    EXPECT_EQ(EntryTexts().size(), 5u);
    EXPECT_EQ(model.GetGateMode(4).name, 4);
    EXPECT_EQ(&model.GetGateMode(9), &model.GetGateMode(4)) << "indexes are clamped into the slots";
}

TEST_F(ModelTest, FindGateModeTakesTheLastMatchAndFallsBackToZero) {
    model.SetGateModes(std::vector<GateMode>{Mode(0, 1), Mode(1, 1, 4.0f), Mode(1, 1, 5.0f)});
    EXPECT_EQ(model.FindGateMode(1, 1), 2);
    EXPECT_EQ(model.FindGateMode(0, 1), 0);
    EXPECT_EQ(model.FindGateMode(9, 1), 0);
}

TEST_F(ModelTest, TimedEventIndexesAreCorrectedAndSafeOnEmptyList) {
    EXPECT_EQ(model.GetTimedEvent(0), nullptr);
    model.DeleteTimedEvent(0);
    EXPECT_EQ(prompts.Texts(), (Texts{messages::kEventIndexOutOfRange, messages::kEventIndexOutOfRange}));

    TimedEvent first;
    first.startTime = 1.0f;
    TimedEvent second;
    second.startTime = 2.0f;
    model.AddTimedEvent(first);
    model.AddTimedEvent(second);
    prompts.Clear();
    EXPECT_EQ(model.GetTimedEvent(1)->startTime, 2.0f);
    EXPECT_EQ(model.GetTimedEvent(5)->startTime, 1.0f);
    model.DeleteTimedEvent(-1);
    EXPECT_EQ(prompts.Texts(), (Texts{"Event Index Out Of Range!  (Value Reset To Event 1)",
                                      "Event Index Out Of Range!  (Value Reset To Event 1)"}));
    ASSERT_EQ(model.GetTimedEvents().size(), 1u);
    EXPECT_EQ(model.GetTimedEvents()[0].startTime, 2.0f);
    EXPECT_TRUE(model.RunLogEntries().empty());
}

TEST_F(ModelTest, ReplaceTimedEventsTakesTheListAndLogsItAsOneEntry) {
    std::vector<TimedEvent> list(3);
    list[0] = {0.5f, kEventAutoZero, 1, 0.0f, 0};
    list[1] = {1.25f, kEventGate, 0, 14.0f, 3};
    list[2] = {12.0f, kEventRecord, 0, 30.0f, 0};
    model.ReplaceTimedEvents(list);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(model.GetTimedEvents().size(), 3u);
    EXPECT_EQ(EntryTexts().back(), "Changed Timed Event Parameters:"
                                   "\nStart Time:  0.50,\tType: Auto-Zero,\tChannel: 2,\tValue: N/A"
                                   "\nStart Time:  1.25,\tType: Gate,\tChannel: 1,\tValue: Ni-3"
                                   "\nStart Time: 12.00,\tType: Record,\tChannel: N/A,\tValue: 30.00");

    model.ReplaceTimedEvents(list);
    EXPECT_TRUE(model.GetTimedEvents().empty());
    EXPECT_EQ(EntryTexts().back(), "Changed Timed Event Parameters:");
}

struct RecordingDocument : ConfigDocument {
    void SetModifiedFlag(bool modified) override { flags.push_back(modified); }
    std::vector<bool> flags;
};

TEST_F(ModelTest, MarkModifiedReachesTheAttachedDocumentOnly) {
    model.MarkModified(true); // no document: nothing happens
    RecordingDocument document;
    model.AttachDocument(&document);
    model.MarkModified(true);
    model.MarkModified(false);
    EXPECT_EQ(document.flags, (std::vector<bool>{true, false}));
}

} // namespace
} // namespace veltrane
