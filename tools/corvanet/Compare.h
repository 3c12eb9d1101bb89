#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace veltrane::corvanet {

// One chromatogram to overlay: its run times (minutes) and values, one per pulse.
struct CompareTrace {
    std::string label;
    std::vector<double> runTimeMinutes;
    std::vector<double> value;
};

enum class Normalisation {
    None,
    Height, // the highest point becomes 1
    Area    // the area under the trace (value x minutes) becomes 1
};

struct CompareOptions {
    Normalisation normalise = Normalisation::None;
    // Trace i is raised by i x offsetFraction x the height of the whole set (after normalising),
    // so the traces stack from the first (lowest) upwards.
    double offsetFraction = 0.0;
};

// How each trace is drawn (its values divided by its scale, then raised by its offset) and the one
// axis that holds them all. The traces themselves are not copied: a day's run is millions of bytes.
struct Comparison {
    std::vector<double> scale;  // 1 when not normalised
    std::vector<double> offset; // 0 when not stacked
    std::vector<bool> unscaled; // a trace asked to be normalised that had no positive height or area
    double offsetStep = 0.0;
    // The run times of every trace together, and the values after scaling and stacking. Never an empty
    // span: a set without points (or a single point) gets a range one unit wide.
    double firstMinutes = 0.0;
    double lastMinutes = 1.0;
    double low = 0.0;
    double high = 1.0;

    double Shown(std::size_t trace, double value) const { return value / scale[trace] + offset[trace]; }
};

// Traces of any length and run time range; empty traces take no part in the range. Points that are
// not finite are not counted in heights, areas or ranges.
Comparison Compare(std::span<const CompareTrace> traces, const CompareOptions& options);

// For drawing: at most `buckets` buckets of consecutive points, each giving its lowest and its highest
// finite point in their order along the trace, so no peak is lost however many points there are.
void DecimateMinMax(std::span<const double> x, std::span<const double> y, std::size_t buckets,
                    std::vector<double>& outX, std::vector<double>& outY);

} // namespace veltrane::corvanet
