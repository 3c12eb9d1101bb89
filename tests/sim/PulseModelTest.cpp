#include "sim/PulseModel.h"
#include "sim/Chromatogram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

using namespace veltrane;

namespace {

// Noise-free signal above the background flame for given amounts.
PulseCurve Excess(PulseConditions conditions) {
    PulseConditions background = conditions;
    background.phosphorus = 0.0;
    background.sulfur = 0.0;
    const PulseCurve with = PulseModel::NoiseFree(conditions);
    const PulseCurve without = PulseModel::NoiseFree(background);
    PulseCurve excess{};
    for (std::size_t i = 0; i < excess.size(); ++i) {
        excess[i] = with[i] - without[i];
    }
    return excess;
}

std::size_t PeakIndex(const PulseCurve& curve) {
    return static_cast<std::size_t>(std::max_element(curve.begin(), curve.end()) - curve.begin());
}

double Sum(const PulseCurve& curve) {
    return std::accumulate(curve.begin(), curve.end(), 0.0);
}

} // namespace

TEST(PulseModel, PhosphorusIsLinearAndSulfurQuadraticInTheAmount) {
    PulseConditions c;
    c.phosphorus = 1.0;
    const double p1 = Sum(Excess(c));
    c.phosphorus = 2.0;
    EXPECT_NEAR(Sum(Excess(c)), 2.0 * p1, 1e-6 * p1);

    c.phosphorus = 0.0;
    c.sulfur = 1.0;
    const double s1 = Sum(Excess(c));
    c.sulfur = 3.0;
    EXPECT_NEAR(Sum(Excess(c)), 9.0 * s1, 1e-6 * s1);
}

TEST(PulseModel, EmissionsComeInTheirTimeWindows) {
    PulseConditions c;
    const double onset = PulseModel::kOnsetMs;
    const std::size_t hydrocarbonPeak = PeakIndex(PulseModel::NoiseFree(c));
    EXPECT_LT(hydrocarbonPeak * 0.1 - onset, 3.0);
    // The hydrocarbon tail still shows at 8 ms, so gating has something to cancel.
    EXPECT_GT(PulseModel::HydrocarbonShape(8.0), 0.001);
    EXPECT_LT(PulseModel::HydrocarbonShape(8.0), 0.05);

    c.phosphorus = 1.0;
    const double phosphorusPeak = PeakIndex(Excess(c)) * 0.1 - onset;
    EXPECT_GE(phosphorusPeak, 2.5);
    EXPECT_LE(phosphorusPeak, 8.0);
    EXPECT_LT(PulseModel::PhosphorusShape(15.0), 0.05);

    c.phosphorus = 0.0;
    c.sulfur = 1.0;
    const double sulfurPeak = PeakIndex(Excess(c)) * 0.1 - onset;
    EXPECT_GT(sulfurPeak, 5.0);
    EXPECT_EQ(PulseModel::SulfurShape(2.9), 0.0);
    EXPECT_GT(PulseModel::SulfurShape(20.0), 0.05);
    EXPECT_LT(PulseModel::SulfurShape(24.0), 0.1);
}

TEST(PulseModel, CoElutingHydrocarbonQuenchesSulfur) {
    PulseConditions c;
    c.sulfur = 1.0;
    const double clean = Sum(Excess(c));
    c.hydrocarbon = 4.0;
    const double quenched = Sum(Excess(c));
    EXPECT_LT(quenched, 0.5 * clean);
    EXPECT_GT(quenched, 0.0);
}

TEST(PulseModel, BaselineSitsBelowTheTriggerAndThePulseCrossesIt) {
    PulseModel model(7);
    const PulseSamples samples = model.Synthesize(PulseConditions{});
    EXPECT_LT(samples[0], 100);
    EXPECT_LT(samples[1], 100);
    const auto crossing =
        std::find_if(samples.begin(), samples.end(), [](std::uint16_t s) { return s >= 100; });
    ASSERT_NE(crossing, samples.end());
    EXPECT_LT(crossing - samples.begin(), 20);
    EXPECT_GT(*std::max_element(samples.begin(), samples.end()), 2000);
}

TEST(PulseModel, ClipsAtSixteenBits) {
    PulseModel model(3);
    PulseConditions c;
    c.pmtVoltage = 1000.0;
    c.range = 2;
    c.sulfur = 3.0;
    const PulseSamples samples = model.Synthesize(c);
    EXPECT_EQ(*std::max_element(samples.begin(), samples.end()), 65535);
    EXPECT_GT(PulseModel::PeakLight(c), PulseModel::kExcessiveLight);
    EXPECT_LT(PulseModel::PeakLight(PulseConditions{}), PulseModel::kExcessiveLight);
}

TEST(PulseModel, PmtAtZeroGivesOnlyNoise) {
    PulseModel model(11);
    PulseConditions c;
    c.pmtVoltage = 0.0;
    c.range = 2;
    c.sulfur = 3.0;
    c.phosphorus = 3.0;
    c.hydrocarbon = 5.0;
    const PulseSamples samples = model.Synthesize(c);
    EXPECT_LT(*std::max_element(samples.begin(), samples.end()), 15);
    const double mean = std::accumulate(samples.begin(), samples.end(), 0.0) / samples.size();
    EXPECT_NEAR(mean, PulseModel::kElectronicOffset, 1.0);
}

TEST(PulseModel, GainRisesWithVoltageAndRange) {
    EXPECT_EQ(PulseModel::PmtGain(0.0), 0.0);
    EXPECT_DOUBLE_EQ(PulseModel::PmtGain(600.0), 1.0);
    EXPECT_GT(PulseModel::PmtGain(700.0), PulseModel::PmtGain(600.0));
    EXPECT_DOUBLE_EQ(PulseModel::RangeFactor(2) / PulseModel::RangeFactor(1), 10.0);
}

TEST(PulseModel, SameSeedSameNoise) {
    PulseModel a(5);
    PulseModel b(5);
    PulseModel c(6);
    const PulseSamples first = a.Synthesize(PulseConditions{});
    EXPECT_EQ(first, b.Synthesize(PulseConditions{}));
    EXPECT_NE(first, c.Synthesize(PulseConditions{}));
}

TEST(Chromatogram, PeaksShowAtTheirPlaceInShortAndLongRuns) {
    for (double length : {20.0, 600.0}) {
        const SampleChromatogram chromatogram(length);
        EXPECT_NEAR(chromatogram.At(0.22 * length).sulfur, 1.0, 0.01);
        EXPECT_NEAR(chromatogram.At(0.34 * length).phosphorus, 1.0, 0.01);
        EXPECT_GT(chromatogram.At(0.48 * length).hydrocarbon, 2.9);
        EXPECT_LT(chromatogram.At(0.05 * length).sulfur, 1e-3);
    }
}
