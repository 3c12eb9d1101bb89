#include "DatBuilder.h"
#include "PulseMath.h"
#include "datafile/Regating.h"

#include <gtest/gtest.h>

#include <cmath>

namespace veltrane::corvanet {
namespace {

using testing::FlatPulse;

// Start at sample 10 (1.0 ms); gate A 0.5-1.0 ms after it covers samples 15-19, gate B
// 2.0-2.5 ms samples 30-34.
StoredPulse GatedPulse(std::uint32_t timeCounter, std::uint16_t aLevel, std::uint16_t bLevel) {
    StoredPulse pulse = FlatPulse(timeCounter);
    pulse.samples[10] = 100;
    for (int i = 15; i < 20; ++i) {
        pulse.samples[static_cast<std::size_t>(i)] = aLevel;
    }
    for (int i = 30; i < 35; ++i) {
        pulse.samples[static_cast<std::size_t>(i)] = bLevel;
    }
    return pulse;
}

RegateSettings Settings(int op, float alpha, BaselineKind baseline = BaselineKind::None) {
    RegateSettings settings;
    settings.gate = testing::TwoModeBlock().gateModes[0];
    settings.gate.operatorIndex = static_cast<std::int16_t>(op);
    settings.gate.alpha = alpha;
    settings.triggerLevel = 100;
    settings.baseline.kind = baseline;
    return settings;
}

Chromatogram Regated(const std::vector<StoredPulse>& pulses, const RegateSettings& settings) {
    Chromatogram result;
    std::string error;
    EXPECT_TRUE(Regate(pulses, settings, result, error)) << error;
    return result;
}

TEST(Regating, GateAreasAndEveryOperatorMatchHandComputedValues) {
    const std::vector<StoredPulse> pulses = {GatedPulse(6000, 200, 40)};
    // A = 5 x 200 x 0.1 = 100, B = 5 x 40 x 0.1 = 20, alpha 0.5: alpha*B = 10.
    const double expected[] = {90.0, 110.0, 1000.0, 10.0};
    for (int op = 0; op < 4; ++op) {
        const Chromatogram c = Regated(pulses, Settings(op, 0.5f));
        EXPECT_DOUBLE_EQ(c.areaA[0], 100.0);
        EXPECT_DOUBLE_EQ(c.areaB[0], 20.0);
        EXPECT_DOUBLE_EQ(c.value[0], expected[op]) << "operator " << op;
        EXPECT_DOUBLE_EQ(c.runTimeMinutes[0], 1.0);
    }
}

TEST(Regating, GatesFollowThePulseStartOrTheFirstSample) {
    StoredPulse late = GatedPulse(0, 200, 40);
    // Shift everything 3 samples later: the gates move with the start.
    std::rotate(late.samples.rbegin(), late.samples.rbegin() + 3, late.samples.rend());
    EXPECT_DOUBLE_EQ(Regated({late}, Settings(0, 0.5f)).value[0], 90.0);

    // From the first sample: gate A is samples 5-9 (all 0), gate B samples 20-24 (all 0).
    RegateSettings fixed = Settings(1, 1.0f);
    fixed.fromPulseStart = false;
    fixed.gate.startA = 1.5f;
    fixed.gate.stopA = 2.0f; // samples 15-19
    EXPECT_DOUBLE_EQ(Regated({GatedPulse(0, 200, 40)}, fixed).value[0], 100.0);
}

TEST(Regating, PulseWithoutStartKeepsThePreviousStart) {
    StoredPulse quiet = GatedPulse(10, 50, 0);
    quiet.samples[10] = 0; // never reaches 100
    const Chromatogram c = Regated({GatedPulse(0, 200, 40), quiet}, Settings(0, 0.0f));
    EXPECT_DOUBLE_EQ(c.areaA[1], 25.0); // still samples 15-19
}

TEST(Regating, GatesAreHeldInsideThePulseAndSwappedWhenReversed) {
    StoredPulse pulse = FlatPulse(0, 1);
    RegateSettings settings = Settings(0, 0.0f);
    settings.fromPulseStart = false;
    settings.gate.startA = 30.0f; // past the pulse's 25 ms
    settings.gate.stopA = 20.0f;  // reversed: 20-30 ms, held to samples 200-249
    EXPECT_NEAR(Regated({pulse}, settings).areaA[0], 5.0, 1e-9);
    settings.gate.startA = -5.0f;
    settings.gate.stopA = NAN;
    EXPECT_NO_FATAL_FAILURE(Regated({pulse}, settings));
}

TEST(Regating, DivisionByZeroGivesZeroAndIsCounted) {
    const Chromatogram c = Regated({GatedPulse(0, 200, 0), GatedPulse(1, 200, 40)}, Settings(3, 2.0f));
    EXPECT_EQ(c.value[0], 0.0);
    EXPECT_DOUBLE_EQ(c.value[1], 2.5);
    EXPECT_EQ(c.divisionsByZero, 1u);
}

TEST(Regating, SquareRootIsTakenAfterTheBaselineWithNegativesClampedToZero) {
    // Values 90 (pulse 0), 190 (pulse 1), 40 (pulse 2).
    const std::vector<StoredPulse> pulses = {GatedPulse(0, 200, 40), GatedPulse(1, 400, 40),
                                             GatedPulse(2, 100, 40)};
    RegateSettings settings = Settings(0, 0.5f, BaselineKind::Fixed);
    settings.baseline.value = 90.0;
    settings.gate.squareRoot = 1;
    const Chromatogram c = Regated(pulses, settings);
    EXPECT_DOUBLE_EQ(c.baseline, 90.0);
    EXPECT_DOUBLE_EQ(c.value[0], 0.0);
    EXPECT_DOUBLE_EQ(c.value[1], 10.0);
    EXPECT_DOUBLE_EQ(c.value[2], 0.0); // 40 - 90 < 0: clamped, not NaN

    settings.baseline.kind = BaselineKind::FirstPulses;
    settings.baseline.count = 2; // mean of 90 and 190
    settings.gate.squareRoot = 0;
    EXPECT_DOUBLE_EQ(Regated(pulses, settings).value[2], 40.0 - 140.0);
    settings.baseline.count = 100; // more than there are: all of them
    EXPECT_NEAR(Regated(pulses, settings).baseline, 320.0 / 3.0, 1e-9);

    settings.baseline.kind = BaselineKind::PulseRange;
    settings.baseline.first = 1;
    settings.baseline.last = 2;
    EXPECT_DOUBLE_EQ(Regated(pulses, settings).baseline, 115.0);
}

TEST(Regating, RefusesAnUnknownOperatorOrABaselineRangeOutsideThePulses) {
    Chromatogram c;
    c.baseline = 7.0;
    std::string error;
    EXPECT_FALSE(Regate(std::vector<StoredPulse>{FlatPulse(0)}, Settings(4, 1.0f), c, error));
    EXPECT_FALSE(error.empty());
    RegateSettings settings = Settings(0, 1.0f, BaselineKind::PulseRange);
    settings.baseline.first = 0;
    settings.baseline.last = 1;
    EXPECT_FALSE(Regate(std::vector<StoredPulse>{FlatPulse(0)}, settings, c, error));
    EXPECT_EQ(c.baseline, 7.0); // untouched
    // No pulses at all is an empty chromatogram, not a failure.
    EXPECT_TRUE(Regate({}, Settings(0, 1.0f), c, error));
    EXPECT_TRUE(c.value.empty());
}

TEST(Regating, ChannelGateModeIsFoundByIdentityWithFallbacks) {
    ConfigurationBlock block = testing::TwoModeBlock();
    EXPECT_EQ(ChannelGateMode(block, 1).name, 1);
    EXPECT_EQ(SettingsForChannel(block, 0).triggerLevel, 100);
    block.channels[1].gateModeSuffix = 9; // no such mode: the first
    EXPECT_EQ(ChannelGateMode(block, 1).name, 0);
    block.gateModes.clear(); // none at all: the plot's initial gates
    const GateMode fallback = ChannelGateMode(block, 0);
    EXPECT_EQ(fallback.startA, 5.0f);
    EXPECT_EQ(fallback.stopB, 17.0f);
}

TEST(PulseMath, AverageAndBaselineSubtractedAverage) {
    const std::vector<StoredPulse> pulses = {FlatPulse(0, 10), FlatPulse(1, 20), FlatPulse(2, 60),
                                             FlatPulse(3, 80)};
    PulseShape shape{};
    ASSERT_TRUE(AveragePulses(pulses, 1, 3, shape));
    EXPECT_DOUBLE_EQ(shape[0], 160.0 / 3.0);
    ASSERT_TRUE(BaselineSubtractedAverage(pulses, 2, 3, 0, 1, shape));
    EXPECT_DOUBLE_EQ(shape[249], 70.0 - 15.0);
    EXPECT_FALSE(AveragePulses(pulses, 2, 1, shape));
    EXPECT_FALSE(AveragePulses(pulses, 0, 4, shape));
    EXPECT_FALSE(BaselineSubtractedAverage(pulses, 0, 1, 3, 9, shape));
    EXPECT_FALSE(AveragePulses({}, 0, 0, shape));
}

TEST(PulseMath, MapAveragesPulsesIntoColumnsWithTimeUp) {
    std::vector<StoredPulse> pulses = {FlatPulse(0, 10), FlatPulse(6000, 30), FlatPulse(12000, 100),
                                       FlatPulse(18000, 100)};
    pulses[3].samples[249] = 300;
    const PulseMap map = BuildPulseMap(pulses, 2);
    ASSERT_EQ(map.columns, 2);
    EXPECT_EQ(map.values.size(), 500u);
    EXPECT_FLOAT_EQ(map.At(0, 0), 20.0f);
    EXPECT_FLOAT_EQ(map.At(1, 249), 200.0f);
    EXPECT_FLOAT_EQ(map.minimum, 20.0f);
    EXPECT_FLOAT_EQ(map.maximum, 200.0f);
    EXPECT_DOUBLE_EQ(map.lastMinutes, 3.0);
    EXPECT_EQ(BuildPulseMap(pulses, 1000).columns, 4); // never more columns than pulses
    EXPECT_EQ(BuildPulseMap({}, 10).columns, 0);
    EXPECT_EQ(NearestPulse(pulses, 1.4), 1u);
    EXPECT_EQ(NearestPulse(pulses, 99.0), 3u);
}

} // namespace
} // namespace veltrane::corvanet
