#include "live/LiveFormRules.h"

#include <gtest/gtest.h>

using namespace veltrane;
using namespace veltrane::liverules;

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
