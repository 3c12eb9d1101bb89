#include "sim/PulseModel.h"

#include <algorithm>
#include <cmath>

namespace veltrane {

namespace {

constexpr double kCountsPerElectron = 4.0; // sets the size of the photon noise

// Peak of a shape over the 25 ms window, found once so every shape peaks at exactly 1.
template <typename Shape> double PeakOf(Shape shape) {
    double peak = 0.0;
    for (double t = 0.0; t < 25.0; t += 0.01) {
        peak = std::max(peak, shape(t));
    }
    return peak;
}

double RawHydrocarbon(double t) {
    if (t <= 0.0) {
        return 0.0;
    }
    const double prompt = (1.0 - std::exp(-t / 0.25)) * std::exp(-t / 0.9);
    const double tail = 0.05 * (1.0 - std::exp(-t / 0.5)) * std::exp(-t / 2.8);
    return prompt + tail;
}

double RawPhosphorus(double t) {
    const double u = t - 1.5;
    return u <= 0.0 ? 0.0 : (1.0 - std::exp(-u / 1.2)) * std::exp(-u / 3.5);
}

double RawSulfur(double t) {
    const double u = t - 3.0;
    if (u <= 0.0) {
        return 0.0;
    }
    const double rise = 1.0 - std::exp(-u / 1.5);
    return rise * rise * std::exp(-u / 6.0);
}

} // namespace

double PulseModel::PmtGain(double pmtVoltage) {
    if (pmtVoltage <= 0.0) {
        return 0.0;
    }
    return std::pow(pmtVoltage / 600.0, 6.0);
}

double PulseModel::RangeFactor(int range) {
    return std::pow(10.0, std::clamp(range, 0, 2) - 1);
}

double PulseModel::SulfurQuench(double hydrocarbon) {
    return 1.0 / (1.0 + 0.8 * std::max(0.0, hydrocarbon - 1.0));
}

double PulseModel::HydrocarbonShape(double t) {
    static const double peak = PeakOf(RawHydrocarbon);
    return RawHydrocarbon(t) / peak;
}

double PulseModel::PhosphorusShape(double t) {
    static const double peak = PeakOf(RawPhosphorus);
    return RawPhosphorus(t) / peak;
}

double PulseModel::SulfurShape(double t) {
    static const double peak = PeakOf(RawSulfur);
    return RawSulfur(t) / peak;
}

namespace {

// The three shapes at the sample times never change: computed once.
struct ShapeTables {
    PulseCurve hydrocarbon{};
    PulseCurve phosphorus{};
    PulseCurve sulfur{};
};

const ShapeTables& Tables() {
    static const ShapeTables tables = [] {
        ShapeTables t;
        for (std::size_t i = 0; i < t.hydrocarbon.size(); ++i) {
            const double ms = static_cast<double>(i) * PulseModel::kSampleMs - PulseModel::kOnsetMs;
            t.hydrocarbon[i] = PulseModel::HydrocarbonShape(ms);
            t.phosphorus[i] = PulseModel::PhosphorusShape(ms);
            t.sulfur[i] = PulseModel::SulfurShape(ms);
        }
        return t;
    }();
    return tables;
}

// Light at unit gain of each sample, before dark current.
PulseCurve Light(const PulseConditions& c) {
    const ShapeTables& t = Tables();
    const double hydrocarbon = PulseModel::kHydrocarbonPeak * std::max(0.0, c.hydrocarbon);
    const double phosphorus = PulseModel::kPhosphorusPeak * std::max(0.0, c.phosphorus);
    const double sulfur =
        PulseModel::kSulfurPeak * c.sulfur * c.sulfur * PulseModel::SulfurQuench(c.hydrocarbon);
    PulseCurve light{};
    for (std::size_t i = 0; i < light.size(); ++i) {
        light[i] = hydrocarbon * t.hydrocarbon[i] + phosphorus * t.phosphorus[i] + sulfur * t.sulfur[i];
    }
    return light;
}

} // namespace

PulseCurve PulseModel::NoiseFree(const PulseConditions& conditions) {
    const double gain = PmtGain(conditions.pmtVoltage) * RangeFactor(conditions.range);
    PulseCurve curve = Light(conditions);
    for (double& value : curve) {
        value = kElectronicOffset + gain * std::max(0.0, value + kDarkCounts + conditions.drift);
    }
    return curve;
}

double PulseModel::PeakLight(const PulseConditions& conditions) {
    const PulseCurve light = Light(conditions);
    return PmtGain(conditions.pmtVoltage) * *std::max_element(light.begin(), light.end());
}

PulseSamples PulseModel::Synthesize(const PulseConditions& conditions) {
    const double gain = PmtGain(conditions.pmtVoltage) * RangeFactor(conditions.range);
    const PulseCurve clean = NoiseFree(conditions);
    PulseSamples samples{};
    for (std::size_t i = 0; i < samples.size(); ++i) {
        // Photon statistics grow with the light; the electronics add a fixed floor.
        const double signal = clean[i] - kElectronicOffset;
        const double variance =
            std::max(0.0, signal) * gain * kCountsPerElectron + kElectronicNoise * kElectronicNoise;
        const double value = clean[i] + normal_(rng_) * std::sqrt(variance);
        samples[i] = static_cast<std::uint16_t>(std::clamp(std::lround(value), 0L, 65535L));
    }
    return samples;
}

} // namespace veltrane
