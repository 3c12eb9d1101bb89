#include "live/LiveFormRules.h"

#include <gtest/gtest.h>

#include <charconv>
#include <set>
#include <utility>
#include <vector>

using namespace veltrane;
using namespace veltrane::liverules;

namespace {

// What the view reads back: the text it wrote into the field, not the value it held.
float AsShown(float value) {
    const std::string text = MarkerText(value);
    const std::size_t at = text.find_first_not_of(' ');
    float shown = -1.0f;
    std::from_chars(text.data() + at, text.data() + text.size(), shown);
    return shown;
}

} // namespace

TEST(LiveFormRules, FrequencyTextAndAlarm) {
    EXPECT_EQ(FrequencyText(3.333333f), "  3.33");
    EXPECT_FALSE(FrequencyIsHigh(4.7f));
    EXPECT_TRUE(FrequencyIsHigh(4.71f));
    EXPECT_EQ(MarkerText(4.5f), " 4.50");
}

TEST(LiveFormRules, AttenuationStaysWithinOneTo256) {
    EXPECT_EQ(HalveAttenuation(1), 1);
    EXPECT_EQ(HalveAttenuation(2), 1);
    EXPECT_EQ(DoubleAttenuation(256), 256);
    EXPECT_EQ(DoubleAttenuation(128), 256);
}

TEST(LiveFormRules, MarkerStepsKeepOrderAndBounds) {
    EXPECT_FLOAT_EQ(StartUp(17.4f, 17.5f), 17.4f);
    EXPECT_FLOAT_EQ(StartUp(10.0f, 17.5f), 10.1f);
    EXPECT_FLOAT_EQ(StartDown(0.0f), 0.0f);
    EXPECT_FLOAT_EQ(StartDown(4.5f), 4.4f);
    EXPECT_FLOAT_EQ(StopDown(10.0f, 10.1f), 10.1f);
    EXPECT_FLOAT_EQ(StopDown(10.0f, 17.5f), 17.4f);
    EXPECT_FLOAT_EQ(StopUp(24.9f), 24.9f);
    EXPECT_FLOAT_EQ(StopUp(9.0f), 9.1f);
}

TEST(LiveFormRules, ReadingStopsAtTheFirstFieldOutOfRange) {
    LiveViewSettings settings;
    const float good[4] = {1.0f, 2.0f, 3.0f, 4.0f};
    EXPECT_FALSE(TakeMarkers(settings, good).has_value());
    EXPECT_FLOAT_EQ(settings.markerBStop, 4.0f);

    const float badStop[4] = {5.0f, 5.05f, 6.0f, 7.0f};
    const auto error = TakeMarkers(settings, badStop);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->field, 1);
    EXPECT_FLOAT_EQ(error->low, 5.1f);
    EXPECT_FLOAT_EQ(error->high, 24.9f);
    EXPECT_FLOAT_EQ(settings.markerAStart, 5.0f); // taken before the failure
    EXPECT_FLOAT_EQ(settings.markerAStop, 2.0f);  // not taken
    EXPECT_FLOAT_EQ(settings.markerBStart, 3.0f);
    EXPECT_EQ(RangeMessage(error->low, error->high), "Please enter a number between 5.1 and 24.9.");

    const float badStart[4] = {24.85f, 24.9f, 1.0f, 2.0f};
    EXPECT_EQ(TakeMarkers(settings, badStart)->field, 0);
}

// From the start-up pair, every press of the four adjust buttons, each followed by the read-back of the
// fields, must leave a pair the fields accept; together the presses reach every one-decimal pair.
TEST(LiveFormRules, EveryPairTheAdjustButtonsReachIsAcceptedAsShown) {
    std::set<std::pair<std::string, std::string>> seen;
    std::vector<std::pair<float, float>> waiting{{10.0f, 17.5f}};
    seen.insert({MarkerText(10.0f), MarkerText(17.5f)});
    std::vector<std::string> refused;
    while (!waiting.empty()) {
        const auto [start, stop] = waiting.back();
        waiting.pop_back();
        LiveViewSettings settings;
        const float values[4] = {start, stop, 4.5f, 9.0f};
        if (TakeMarkers(settings, values).has_value()) {
            refused.push_back(MarkerText(start) + " /" + MarkerText(stop));
        }
        const std::pair<float, float> presses[4] = {{StartDown(start), stop},
                                                    {StartUp(start, stop), stop},
                                                    {start, StopDown(start, stop)},
                                                    {start, StopUp(stop)}};
        for (const auto& [nextStart, nextStop] : presses) {
            if (seen.insert({MarkerText(nextStart), MarkerText(nextStop)}).second) {
                waiting.emplace_back(AsShown(nextStart), AsShown(nextStop));
            }
        }
    }
    EXPECT_EQ(seen.size(), 249u * 250u / 2u); // starts 0.0 to 24.8, stops from start + 0.1 to 24.9
    EXPECT_TRUE(refused.empty()) << refused.size() << " refused, first " << refused.front();
}

// Typed or dragged values need not be whole tenths: a press still stops where the fields accept it.
TEST(LiveFormRules, StepsFromTypedHundredthsStayAccepted) {
    EXPECT_FLOAT_EQ(StartDown(0.05f), 0.0f);
    EXPECT_FLOAT_EQ(StartUp(10.0f, 10.16f), 10.06f);
    EXPECT_FLOAT_EQ(StopDown(10.0f, 10.16f), 10.1f);
    EXPECT_FLOAT_EQ(StopUp(24.85f), 24.9f);
    LiveViewSettings settings;
    const float pair[4] = {10.06f, 10.16f, 0.0f, 24.9f};
    EXPECT_FALSE(TakeMarkers(settings, pair).has_value());
}
