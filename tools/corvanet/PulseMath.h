#pragma once

#include "datafile/DataFileReader.h"

#include <array>
#include <cstddef>
#include <span>
#include <vector>

namespace veltrane::corvanet {

using PulseShape = std::array<double, kPulseSamples>;

// Mean of pulses first..last (inclusive); false when the range is empty or outside the pulses.
bool AveragePulses(std::span<const StoredPulse> pulses, std::size_t first, std::size_t last, PulseShape& out);

// Mean of the peak's pulses minus the mean of the baseline pulses (those before the peak).
bool BaselineSubtractedAverage(std::span<const StoredPulse> pulses, std::size_t peakFirst,
                               std::size_t peakLast, std::size_t baseFirst, std::size_t baseLast,
                               PulseShape& out);

// The 2-D view: `columns` columns across run time (each the mean of the pulses that fall in it),
// 250 rows of time within the pulse. Row 0 is 0 ms. Every column holds at least one pulse.
struct PulseMap {
    int columns = 0;
    int rows = kPulseSamples;
    std::vector<float> values; // column-major: values[column * rows + row]
    float minimum = 0.0f;
    float maximum = 0.0f;
    double firstMinutes = 0.0;
    double lastMinutes = 0.0;

    float At(int column, int row) const {
        return values[static_cast<std::size_t>(column) * static_cast<std::size_t>(rows) +
                      static_cast<std::size_t>(row)];
    }
};

// At most one column per pulse; none for no pulses.
PulseMap BuildPulseMap(std::span<const StoredPulse> pulses, int columns);

// Index of the pulse nearest to a run time (minutes); 0 for no pulses.
std::size_t NearestPulse(std::span<const StoredPulse> pulses, double minutes);

} // namespace veltrane::corvanet
