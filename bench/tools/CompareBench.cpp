// Overlaying a day's chromatograms: what the compare tab computes each time a normalisation or
// offset changes (the scales and the common axis, then each trace cut to its drawing buckets).

#include "Compare.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

using namespace veltrane::corvanet;

constexpr std::size_t kDayPulses = 285120; // 24 h x 3600 s x 3.3 Hz
constexpr std::size_t kBuckets = 4000;

std::vector<CompareTrace> DayTraces(std::size_t count) {
    std::vector<CompareTrace> traces(count);
    for (std::size_t t = 0; t < count; ++t) {
        CompareTrace& trace = traces[t];
        trace.runTimeMinutes.resize(kDayPulses);
        trace.value.resize(kDayPulses);
        for (std::size_t i = 0; i < kDayPulses; ++i) {
            trace.runTimeMinutes[i] = static_cast<double>(i) * 0.005 + static_cast<double>(t);
            trace.value[i] =
                5.0 + 40.0 * std::exp(-std::pow((static_cast<double>(i % 20000) - 10000.0) / 600.0, 2)) +
                static_cast<double>((i * 7919 + t) % 13) * 0.1;
        }
    }
    return traces;
}

void CompareAndDecimate(benchmark::State& state) {
    const std::vector<CompareTrace> traces = DayTraces(static_cast<std::size_t>(state.range(0)));
    std::vector<double> x, y;
    for (auto _ : state) {
        const Comparison shown = Compare(traces, {Normalisation::Area, 0.2});
        for (std::size_t t = 0; t < traces.size(); ++t) {
            DecimateMinMax(traces[t].runTimeMinutes, traces[t].value, kBuckets, x, y);
            for (double& v : y) {
                v = shown.Shown(t, v);
            }
            benchmark::DoNotOptimize(y.data());
        }
    }
    state.counters["points"] = static_cast<double>(traces.size() * kDayPulses);
}
BENCHMARK(CompareAndDecimate)->Arg(1)->Arg(16)->Unit(benchmark::kMillisecond);

} // namespace
