#include "live/PulseTimeline.h"
#include "FakePlatform.h"

#include <gtest/gtest.h>

#include <string>

using namespace veltrane;

TEST(LatencyHistogram, PercentilesComeFromTheBinsAndNeverExceedTheMaximum) {
    LatencyHistogram histogram;
    EXPECT_EQ(histogram.Percentile(0.95), 0.0); // nothing yet
    for (int i = 1; i <= 100; ++i) {
        histogram.Add(i); // 1..100 ms
    }
    EXPECT_EQ(histogram.Count(), 100u);
    EXPECT_NEAR(histogram.Percentile(0.5), 50.0, 0.11);
    EXPECT_NEAR(histogram.Percentile(0.95), 95.0, 0.11);
    EXPECT_EQ(histogram.Percentile(1.0), 100.0);

    histogram.Add(5000.0); // beyond the last bin: counted there, the maximum stays exact
    histogram.Add(-3.0);   // a clock step back counts as 0
    histogram.Add(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(histogram.Count(), 102u);
    EXPECT_EQ(histogram.Max(), 5000.0);
    EXPECT_EQ(histogram.Percentile(1.0), 5000.0);
    EXPECT_EQ(histogram.Percentile(0.001), 0.1);
}

TEST(PulseTimeline, LatencyRunsFromTheLastByteToTheEndOfThePaint) {
    std::int64_t now = 1'000'000;
    LineTimes line;
    PulseTimeline timeline([&] { return now; });
    timeline.SetLineTimes(&line);

    line.Note(7, now - 12'000); // left the line 12 ms ago
    timeline.PulseShown(7, 700);
    now += 3'000;
    timeline.Painted();
    timeline.Painted(); // a paint with nothing new adds nothing
    EXPECT_EQ(timeline.Latency().Count(), 1u);
    EXPECT_NEAR(timeline.Latency().Max(), 15.0, 1e-9);

    timeline.PulseShown(8, 800); // no line time for it (an outside controller): counted, no latency
    timeline.Painted();
    EXPECT_EQ(timeline.PulsesPainted(), 2u);
    EXPECT_EQ(timeline.Latency().Count(), 1u);
    EXPECT_EQ(timeline.Summary(), "latency p50 15.0 p95 15.0 max 15.0 ms over 1 pulses");
}

TEST(PulseTimeline, LogHasOneLinePerPulseAndTwoPulsesInOnePaintBothCount) {
    fakes::TempDir dir;
    const std::string path = (dir.Path() / "pulses.log").string();
    std::int64_t now = 5'000'000;
    LineTimes line;
    PulseTimeline timeline([&] { return now; });
    timeline.SetLineTimes(&line);
    ASSERT_TRUE(timeline.OpenLog(path));
    line.Note(1, now - 20'000);
    line.Note(2, now - 5'000);
    timeline.PulseShown(1, 10);
    timeline.PulseShown(2, 11);
    timeline.PulseShown(3, 12);
    timeline.Painted();
    EXPECT_EQ(fakes::ReadText(path), "5000.000 1 10 20.000\n5000.000 2 11 5.000\n5000.000 3 12 -\n");
    EXPECT_EQ(timeline.Latency().Count(), 2u);
}

// The emulator notes a reply's last byte just after writing it, so the program can show the
// pulse first; the time it finds for that sequence byte is then one lap (256 pulses) old.
TEST(PulseTimeline, PulsePaintedBeforeItsLineTimeWaitsForItInsteadOfTakingALapOldOne) {
    std::int64_t now = 50'000'000;
    LineTimes line;
    PulseTimeline timeline([&] { return now; });
    timeline.SetLineTimes(&line);
    line.Note(9, now - 36'000'000); // sequence 9, one lap ago
    timeline.PulseShown(9, 900);
    now += 2'000;
    timeline.Painted();
    EXPECT_EQ(timeline.Latency().Count(), 0u);
    line.Note(9, now - 2'500); // noted now: it left the line 0.5 ms before the pulse was shown
    now += 100'000;
    timeline.Painted(); // the next paint settles it, timed to the paint that showed the pulse
    ASSERT_EQ(timeline.Latency().Count(), 1u);
    EXPECT_NEAR(timeline.Latency().Max(), 2.5, 1e-9);
}

TEST(PulseTimeline, AWindowThatNeverPaintsKeepsOnlyTheNewestPulses) {
    PulseTimeline timeline([] { return std::int64_t{1}; });
    for (int i = 0; i < 1000; ++i) {
        timeline.PulseShown(static_cast<std::uint8_t>(i), static_cast<std::uint32_t>(i));
    }
    timeline.Painted();
    EXPECT_EQ(timeline.PulsesPainted(), 64u);
    EXPECT_FALSE(timeline.OpenLog("/nonexistent-folder/x.log"));
}
