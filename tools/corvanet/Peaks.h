#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace veltrane::corvanet {

// How the baseline under a peak is drawn.
enum class PeakBaseline {
    DropLine,       // one line under a group of fused peaks, split by verticals at the valleys
    ValleyToValley, // each peak from its own start to its own end
    TangentSkim     // as DropLine, but a small peak on a taller one's tail sits on a tangent to that tail
};

struct PeakSettings {
    // In noise units: a peak starts where the smoothed slope exceeds threshold times the slope's
    // noise, and is kept only when its height is at least threshold times the signal's noise.
    double threshold = 5.0;
    // Peaks narrower than this at half height are dropped (a one-pulse spike, for instance). The
    // smoothing and the slope's span follow the scale of the peaks found in the data instead.
    double minWidthMinutes = 0.01;
    // Peaks with a smaller area (value x s) are dropped.
    double minArea = 0.0;
    PeakBaseline baseline = PeakBaseline::DropLine;
};

// A fused peak lower than this part of the peak before it rides on that peak's tail when the
// baseline is TangentSkim.
inline constexpr double kRiderRatio = 0.5;

struct Peak {
    double retentionMinutes = 0.0; // apex, refined by a parabola through the top three points
    double height = 0.0;           // above the baseline at the apex, in the chromatogram's unit
    double area = 0.0;             // above the baseline, chromatogram's unit x seconds
    double widthHalfMinutes = 0.0; // full width at half height
    double startMinutes = 0.0;
    double endMinutes = 0.0;
    double signalToNoise = 0.0; // height over the noise's standard deviation
    double areaPercent = 0.0;   // of the summed areas of all peaks found
    // Where the baseline runs under the peak, for drawing: (startMinutes, baselineAtStart) to
    // (endMinutes, baselineAtEnd).
    double baselineAtStart = 0.0;
    double baselineAtEnd = 0.0;
    std::size_t startIndex = 0;
    std::size_t apexIndex = 0;
    std::size_t endIndex = 0;
    bool rider = false; // skimmed off a parent's tail
};

struct PeakTable {
    std::vector<Peak> peaks; // in order of retention time
    double noise = 0.0;      // standard deviation of the signal's noise
};

// Finds and integrates the peaks of a chromatogram: minutes[i] is the run time of value[i]
// (non-decreasing). Linear in the number of points; every number in the result is finite
// whatever the input holds (non-finite values are taken as the value before them).
PeakTable FindPeaks(std::span<const double> minutes, std::span<const double> values,
                    const PeakSettings& settings);

} // namespace veltrane::corvanet
