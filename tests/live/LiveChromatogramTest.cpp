#include "live/LiveChromatogram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace veltrane {
namespace {

// A pulse starting at sample 10 + i % 3 (none for i = 4: it keeps the previous start) with
// levels that differ from pulse to pulse in both gates.
PulseRecord Pulse(int i) {
    PulseRecord record;
    record.timeCounter = static_cast<std::uint32_t>(30 * i);
    const int start = 10 + i % 3;
    for (int s = 0; s < kPulseSamples; ++s) {
        const int after = s - start;
        int level = 5;
        if (after >= 0 && after < 15) {
            level = 120 + 7 * i;
        } else if (after >= 15 && after < 30) {
            level = 20 + (i * 13) % 17;
        }
        record.samples[static_cast<std::size_t>(s)] = static_cast<std::uint16_t>(i == 4 ? 5 : level);
    }
    return record;
}

RegateSettings Gates(float startA, float stopA, int op, float alpha, bool squareRoot) {
    RegateSettings settings;
    settings.gate.startA = startA;
    settings.gate.stopA = stopA;
    settings.gate.startB = 1.5f;
    settings.gate.stopB = 2.5f;
    settings.gate.operatorIndex = static_cast<std::int16_t>(op);
    settings.gate.alpha = alpha;
    settings.gate.squareRoot = squareRoot ? 1 : 0;
    settings.triggerLevel = 100;
    settings.baseline.kind = BaselineKind::FirstPulses;
    settings.baseline.count = 3;
    return settings;
}

void ExpectSameAsBatch(const LiveChromatogram& live, const std::vector<PulseRecord>& records) {
    std::vector<StoredPulse> pulses;
    for (const PulseRecord& r : records) {
        pulses.push_back({r.timeCounter, r.period, r.samples});
    }
    std::vector<LiveChromatogram::Point> points;
    for (int channel = 0; channel < 2; ++channel) {
        SCOPED_TRACE(channel);
        Chromatogram batch;
        std::string error;
        ASSERT_TRUE(Regate(pulses, live.Settings(channel), batch, error)) << error;
        live.Points(channel, points);
        ASSERT_EQ(points.size(), batch.value.size());
        EXPECT_DOUBLE_EQ(live.Baseline(channel), batch.baseline);
        for (std::size_t i = 0; i < points.size(); ++i) {
            EXPECT_FLOAT_EQ(points[i].runTimeMinutes, static_cast<float>(batch.runTimeMinutes[i])) << i;
            EXPECT_FLOAT_EQ(points[i].value, static_cast<float>(batch.value[i])) << i;
        }
    }
}

// Pulse by pulse, before and after a gate change during the run, the live chromatogram is what
// the batch re-gating gives for the same pulses: the baseline of the first pulses once there
// are enough of them, the square root after it, a pulse without a start gated at the last one.
TEST(LiveChromatogram, EqualsTheBatchRegatingPulseByPulseAndAfterAGateChange) {
    LiveChromatogram live;
    live.SetSettings({Gates(0.5f, 1.4f, 0, 0.5f, false), Gates(0.0f, 1.0f, 3, 2.0f, true)});
    std::vector<PulseRecord> records;
    for (int i = 0; i < 9; ++i) {
        records.push_back(Pulse(i));
        EXPECT_FALSE(live.Add(records.back()));
        ExpectSameAsBatch(live, records);
    }
    live.SetSettings({Gates(0.2f, 0.9f, 1, 1.5f, true), Gates(0.5f, 1.4f, 2, 0.25f, false)});
    ExpectSameAsBatch(live, records);
}

// A long run keeps a bounded number of points and still shows its highest one; a new GC run
// (ready-to-run in the status word) starts the chromatogram again.
TEST(LiveChromatogram, LongRunsAreThinnedWithoutLosingThePeakAndANewRunStartsAfresh) {
    LiveChromatogram live;
    live.SetSettings({Gates(0.5f, 1.4f, 0, 0.0f, false), Gates(0.5f, 1.4f, 0, 0.0f, false)});
    const std::size_t n = LiveChromatogram::kBuckets * 5 + 17;
    PulseRecord record = Pulse(1);
    for (std::size_t i = 0; i < n; ++i) {
        record.timeCounter = static_cast<std::uint32_t>(i);
        record.samples[18] = i == 7781 ? 60000 : 200;
        live.Add(record);
    }
    std::vector<LiveChromatogram::Point> points;
    live.Points(0, points);
    EXPECT_LE(points.size(), 2 * LiveChromatogram::kBuckets);
    const auto peak = std::max_element(points.begin(), points.end(),
                                       [](const auto& a, const auto& b) { return a.value < b.value; });
    EXPECT_FLOAT_EQ(peak->runTimeMinutes, 7781.0f / 6000.0f);
    EXPECT_TRUE(std::is_sorted(points.begin(), points.end(), [](const auto& a, const auto& b) {
        return a.runTimeMinutes < b.runTimeMinutes;
    }));

    record.statusWord = kStatusGcReadyToRun | kStatusGcRunLevel;
    record.timeCounter = 0;
    EXPECT_TRUE(live.Add(record));
    EXPECT_EQ(live.RunsBegun(), 1);
    live.Points(1, points);
    EXPECT_EQ(points.size(), 1u);
}

} // namespace
} // namespace veltrane
