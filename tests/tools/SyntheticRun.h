#pragma once

#include "DatBuilder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace veltrane::testing {

// A chromatogram whose peaks are known exactly: Gaussian peaks, exponentially tailing ones (a
// Gaussian convolved with an exponential decay) and a drifting baseline, in value units; areas
// are in value x min.
struct SyntheticPeak {
    double centre = 0.0; // minutes, the Gaussian's centre
    double sigma = 0.03; // minutes
    double tau = 0.0;    // minutes of exponential tail; 0 for a Gaussian
    double area = 1.0;   // value x min
};

struct SyntheticRun {
    std::vector<SyntheticPeak> peaks;
    double baseline = 20.0; // value at 0 min
    double drift = 3.0;     // value per minute

    static double Shape(const SyntheticPeak& p, double t) {
        const double z = (t - p.centre) / p.sigma;
        if (p.tau <= 0.0) {
            return p.area / (p.sigma * std::sqrt(2.0 * M_PI)) * std::exp(-0.5 * z * z);
        }
        const double r = p.sigma / p.tau;
        return p.area / (2.0 * p.tau) * std::exp(0.5 * r * r - (t - p.centre) / p.tau) *
               std::erfc((r - z) / std::sqrt(2.0));
    }

    // Everything but the noise.
    double Value(double t) const {
        double v = baseline + drift * t;
        for (const SyntheticPeak& p : peaks) {
            v += Shape(p, t);
        }
        return v;
    }

    // Where peak k alone is highest, found on a 0.006 s grid.
    double Apex(std::size_t k) const {
        const SyntheticPeak& p = peaks[k];
        double best = p.centre;
        for (double t = p.centre - p.sigma; t < p.centre + 3.0 * p.tau + p.sigma; t += 1.0e-4) {
            best = Shape(p, t) > Shape(p, best) ? t : best;
        }
        return best;
    }
};

// Normal noise from a seeded generator whose sequence is the same on every platform.
class SeededNoise {
public:
    explicit SeededNoise(std::uint32_t seed) : engine_(seed) {}
    double Next(double sigma) {
        const double u1 = (static_cast<double>(engine_()) + 1.0) / 4294967297.0;
        const double u2 = static_cast<double>(engine_()) / 4294967296.0;
        return sigma * std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * M_PI * u2);
    }

private:
    std::mt19937 engine_;
};

// Pulse times as the recorder stores them (hundredths of a second), 0.29 s and 0.31 s apart in
// turn: a pulse period of 0.3 s (0.005 min).
inline std::uint32_t PulseTimeCounter(std::size_t index) {
    return static_cast<std::uint32_t>(30 * index + (index % 2));
}
inline constexpr double kPulsePeriodMinutes = 0.005;

// The chromatogram sampled at the pulse times with normal noise added.
inline void SampleRun(const SyntheticRun& run, std::size_t count, double noise, std::uint32_t seed,
                      std::vector<double>& minutes, std::vector<double>& values) {
    SeededNoise random(seed);
    minutes.resize(count);
    values.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        minutes[i] = PulseTimeCounter(i) / 6000.0;
        values[i] = run.Value(minutes[i]) + random.Next(noise);
    }
}

// Pulses whose value re-gated with TwoModeBlock()'s gate mode S (A 0.5-1.0 ms, B 2.0-2.5 ms after
// the start at sample 10, A - 0.5 B) is the run's value plus a constant: a dark level, a prompt
// emission that does not change, and a delayed emission scaled by the chromatogram, with normal
// noise of `sampleNoise` counts on every sample.
inline std::vector<StoredPulse> SyntheticPulses(const SyntheticRun& run, std::size_t count,
                                                double sampleNoise, std::uint32_t seed) {
    constexpr int kStart = 10;
    const auto delayed = [](int i) { return (1.0 - std::exp(-i / 3.0)) * std::exp(-i / 15.0); };
    double inA = 0.0, inB = 0.0;
    for (int i = 5; i < 10; ++i) {
        inA += delayed(i);
    }
    for (int i = 20; i < 25; ++i) {
        inB += delayed(i);
    }
    // Counts per value unit, so that 0.1 ms x (A - 0.5 B) of the delayed emission is the value.
    const double gain = 1.0 / (0.1 * (inA - 0.5 * inB));
    SeededNoise random(seed);
    std::vector<StoredPulse> pulses;
    pulses.reserve(count);
    for (std::size_t p = 0; p < count; ++p) {
        StoredPulse pulse = FlatPulse(PulseTimeCounter(p), 50);
        const double value = run.Value(PulseTimeCounter(p) / 6000.0);
        for (int i = 0; i + kStart < kPulseSamples; ++i) {
            const double counts =
                50.0 + 4000.0 * std::exp(-i / 2.0) + value * gain * delayed(i) + random.Next(sampleNoise);
            pulse.samples[static_cast<std::size_t>(i + kStart)] =
                static_cast<std::uint16_t>(std::clamp(std::round(counts), 0.0, 65535.0));
        }
        pulses.push_back(pulse);
    }
    return pulses;
}

} // namespace veltrane::testing
