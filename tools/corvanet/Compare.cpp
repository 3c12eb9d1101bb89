#include "Compare.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace veltrane::corvanet {

namespace {

struct Extent {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();

    void Add(double v) {
        if (std::isfinite(v)) {
            low = std::min(low, v);
            high = std::max(high, v);
        }
    }
    bool Empty() const { return !(low <= high); }
};

std::size_t PointCount(const CompareTrace& trace) {
    return std::min(trace.runTimeMinutes.size(), trace.value.size());
}

// Trapezoids between neighbouring finite points.
double AreaOf(const CompareTrace& trace) {
    double area = 0.0;
    for (std::size_t i = 1; i < PointCount(trace); ++i) {
        const double x0 = trace.runTimeMinutes[i - 1], x1 = trace.runTimeMinutes[i];
        const double y0 = trace.value[i - 1], y1 = trace.value[i];
        if (std::isfinite(x0) && std::isfinite(x1) && std::isfinite(y0) && std::isfinite(y1)) {
            area += (x1 - x0) * (y0 + y1) / 2.0;
        }
    }
    return area;
}

double HeightOf(const CompareTrace& trace) {
    Extent extent;
    for (std::size_t i = 0; i < PointCount(trace); ++i) {
        extent.Add(trace.value[i]);
    }
    return extent.Empty() ? 0.0 : extent.high;
}

// The divisor that normalises a trace, or 0 when it cannot be normalised.
double ScaleOf(const CompareTrace& trace, Normalisation normalise) {
    const double scale = normalise == Normalisation::Height ? HeightOf(trace) : AreaOf(trace);
    return std::isfinite(scale) && scale > 0.0 ? scale : 0.0;
}

// A range one unit wide about a single value, or the range itself.
void Widen(double& low, double& high) {
    if (!(high > low)) {
        low -= 0.5;
        high = low + 1.0;
    }
}

} // namespace

Comparison Compare(std::span<const CompareTrace> traces, const CompareOptions& options) {
    Comparison out;
    out.scale.assign(traces.size(), 1.0);
    out.offset.assign(traces.size(), 0.0);
    out.unscaled.assign(traces.size(), false);
    // Each trace's own extent after scaling; the offsets only move them.
    std::vector<Extent> extents(traces.size());
    Extent times, values;
    for (std::size_t t = 0; t < traces.size(); ++t) {
        const CompareTrace& trace = traces[t];
        const std::size_t n = PointCount(trace);
        if (n == 0) {
            continue;
        }
        if (options.normalise != Normalisation::None) {
            const double scale = ScaleOf(trace, options.normalise);
            out.scale[t] = scale > 0.0 ? scale : 1.0;
            out.unscaled[t] = scale <= 0.0;
        }
        for (std::size_t i = 0; i < n; ++i) {
            times.Add(trace.runTimeMinutes[i]);
            extents[t].Add(trace.value[i] / out.scale[t]);
        }
        values.Add(extents[t].low);
        values.Add(extents[t].high);
    }
    if (!times.Empty()) {
        out.firstMinutes = times.low;
        out.lastMinutes = times.high;
        Widen(out.firstMinutes, out.lastMinutes);
    }
    if (values.Empty()) {
        return out;
    }
    out.low = values.low;
    out.high = values.high;
    Widen(out.low, out.high);

    const double fraction =
        std::isfinite(options.offsetFraction) ? std::max(0.0, options.offsetFraction) : 0.0;
    out.offsetStep = fraction * (out.high - out.low);
    if (out.offsetStep > 0.0) {
        Extent stacked;
        for (std::size_t t = 0; t < traces.size(); ++t) {
            out.offset[t] = out.offsetStep * static_cast<double>(t);
            stacked.Add(extents[t].low + out.offset[t]);
            stacked.Add(extents[t].high + out.offset[t]);
        }
        out.low = stacked.low;
        out.high = stacked.high;
        Widen(out.low, out.high);
    }
    return out;
}

void DecimateMinMax(std::span<const double> x, std::span<const double> y, std::size_t buckets,
                    std::vector<double>& outX, std::vector<double>& outY) {
    outX.clear();
    outY.clear();
    const std::size_t n = std::min(x.size(), y.size());
    buckets = std::min(n, buckets);
    for (std::size_t b = 0; b < buckets; ++b) {
        const std::size_t from = n * b / buckets;
        const std::size_t to = n * (b + 1) / buckets;
        std::size_t lo = to, hi = to;
        for (std::size_t i = from; i < to; ++i) {
            if (!std::isfinite(x[i]) || !std::isfinite(y[i])) {
                continue;
            }
            lo = lo == to || y[i] < y[lo] ? i : lo;
            hi = hi == to || y[i] > y[hi] ? i : hi;
        }
        if (lo == to) {
            continue;
        }
        outX.push_back(x[std::min(lo, hi)]);
        outY.push_back(y[std::min(lo, hi)]);
        if (lo != hi) {
            outX.push_back(x[std::max(lo, hi)]);
            outY.push_back(y[std::max(lo, hi)]);
        }
    }
}

} // namespace veltrane::corvanet
