#include "PulseMath.h"

#include <algorithm>
#include <cmath>

namespace veltrane::corvanet {

namespace {

double Minutes(const StoredPulse& pulse) {
    return static_cast<double>(pulse.timeCounter) / 6000.0;
}

} // namespace

bool AveragePulses(std::span<const StoredPulse> pulses, std::size_t first, std::size_t last,
                   PulseShape& out) {
    if (first > last || last >= pulses.size()) {
        return false;
    }
    std::array<std::uint64_t, kPulseSamples> sums{};
    for (std::size_t p = first; p <= last; ++p) {
        for (std::size_t i = 0; i < sums.size(); ++i) {
            sums[i] += pulses[p].samples[i];
        }
    }
    const double count = static_cast<double>(last - first + 1);
    for (std::size_t i = 0; i < sums.size(); ++i) {
        out[i] = static_cast<double>(sums[i]) / count;
    }
    return true;
}

bool BaselineSubtractedAverage(std::span<const StoredPulse> pulses, std::size_t peakFirst,
                               std::size_t peakLast, std::size_t baseFirst, std::size_t baseLast,
                               PulseShape& out) {
    PulseShape peak{};
    PulseShape base{};
    if (!AveragePulses(pulses, peakFirst, peakLast, peak) ||
        !AveragePulses(pulses, baseFirst, baseLast, base)) {
        return false;
    }
    for (std::size_t i = 0; i < peak.size(); ++i) {
        out[i] = peak[i] - base[i];
    }
    return true;
}

PulseMap BuildPulseMap(std::span<const StoredPulse> pulses, int columns) {
    PulseMap map;
    if (pulses.empty() || columns <= 0) {
        return map;
    }
    const std::size_t n = pulses.size();
    map.columns = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(columns), n));
    map.values.assign(static_cast<std::size_t>(map.columns) * kPulseSamples, 0.0f);
    map.firstMinutes = Minutes(pulses.front());
    map.lastMinutes = Minutes(pulses.back());
    // Columns follow the pulses' order; time counters are not trusted to grow.
    std::vector<std::uint64_t> sums(kPulseSamples);
    for (int c = 0; c < map.columns; ++c) {
        const std::size_t from = n * static_cast<std::size_t>(c) / static_cast<std::size_t>(map.columns);
        const std::size_t to = n * static_cast<std::size_t>(c + 1) / static_cast<std::size_t>(map.columns);
        std::fill(sums.begin(), sums.end(), 0);
        for (std::size_t p = from; p < to; ++p) {
            for (std::size_t i = 0; i < kPulseSamples; ++i) {
                sums[i] += pulses[p].samples[i];
            }
        }
        const double count = static_cast<double>(to - from);
        float* column = map.values.data() + static_cast<std::size_t>(c) * kPulseSamples;
        for (std::size_t i = 0; i < kPulseSamples; ++i) {
            column[i] = static_cast<float>(static_cast<double>(sums[i]) / count);
        }
    }
    const auto [lo, hi] = std::minmax_element(map.values.begin(), map.values.end());
    map.minimum = *lo;
    map.maximum = *hi;
    return map;
}

std::size_t NearestPulse(std::span<const StoredPulse> pulses, double minutes) {
    std::size_t best = 0;
    double bestDistance = INFINITY;
    for (std::size_t i = 0; i < pulses.size(); ++i) {
        const double distance = std::fabs(Minutes(pulses[i]) - minutes);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

} // namespace veltrane::corvanet
