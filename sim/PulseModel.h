#pragma once

#include "protocol/PulseRecord.h"

#include <array>
#include <cstdint>
#include <random>

namespace veltrane {

// What shapes one light pulse. Amounts are relative: the flame's own hydrocarbon light is 1.
struct PulseConditions {
    double pmtVoltage = 600.0; // volts, 0..1000
    int range = 1;             // index: 0 "1", 1 "10", 2 "100"
    double hydrocarbon = 1.0;
    double phosphorus = 0.0;
    double sulfur = 0.0;
    double drift = 0.0; // slow baseline wander, counts at unit gain
};

using PulseSamples = std::array<std::uint16_t, kPulseSamples>;
using PulseCurve = std::array<double, kPulseSamples>;

// A PFPD light pulse after the trigger, 250 samples 0.1 ms apart: a prompt hydrocarbon
// emission with a tail, a phosphorus-like emission linear in its amount, a delayed sulfur-like
// emission quadratic in its amount and quenched by co-eluting hydrocarbon, dark current, drift
// and noise, scaled by the PMT gain and the range, clipped to 16 bits.
class PulseModel {
public:
    static constexpr double kSampleMs = 0.1;
    static constexpr double kOnsetMs = 0.6; // light starts a few samples in, so the trigger has a baseline
    static constexpr double kElectronicOffset = 2.0;
    static constexpr double kElectronicNoise = 1.5;
    static constexpr double kDarkCounts = 15.0; // at unit gain
    static constexpr double kHydrocarbonPeak = 3000.0;
    static constexpr double kPhosphorusPeak = 6000.0;
    static constexpr double kSulfurPeak = 8000.0;
    static constexpr double kExcessiveLight = 100000.0; // anode light, counts at the range "10"

    explicit PulseModel(std::uint64_t seed = 1) : rng_(seed) {}

    // PMT gain relative to 600 V: roughly the power law of a ten-stage multiplier.
    static double PmtGain(double pmtVoltage);
    // Range "1", "10", "100" as 0.1, 1, 10 relative to the middle one.
    static double RangeFactor(int range);
    // Quenching of the sulfur emission by hydrocarbon above the flame's own.
    static double SulfurQuench(double hydrocarbon);

    // Emission shapes, each normalised to a peak of 1; t in ms after the onset.
    static double HydrocarbonShape(double t);
    static double PhosphorusShape(double t);
    static double SulfurShape(double t);

    // Noise-free, unclipped samples (dark current and drift included).
    static PulseCurve NoiseFree(const PulseConditions& conditions);
    // Largest noise-free light the PMT sees, independent of the range; for PMT protection.
    static double PeakLight(const PulseConditions& conditions);

    PulseSamples Synthesize(const PulseConditions& conditions);

private:
    std::mt19937_64 rng_;
    std::normal_distribution<double> normal_{0.0, 1.0};
};

} // namespace veltrane
