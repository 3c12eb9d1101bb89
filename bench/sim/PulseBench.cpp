// CPU cost of one pulse in the emulator: synthesis, reply data and frame building.
#include "protocol/FrameCodec.h"
#include "sim/CommandSet.h"
#include "sim/PulseModel.h"

#include <benchmark/benchmark.h>

using namespace veltrane;

static void BM_SynthesizePulse(benchmark::State& state) {
    PulseModel model(1);
    PulseConditions conditions;
    conditions.sulfur = 0.8;
    conditions.phosphorus = 0.4;
    for (auto _ : state) {
        benchmark::DoNotOptimize(model.Synthesize(conditions));
    }
}
BENCHMARK(BM_SynthesizePulse);

static void BM_PeakLight(benchmark::State& state) {
    PulseConditions conditions;
    conditions.sulfur = 0.8;
    for (auto _ : state) {
        benchmark::DoNotOptimize(PulseModel::PeakLight(conditions));
    }
}
BENCHMARK(BM_PeakLight);

static void BM_PulseReplyFrame(benchmark::State& state) {
    PulseModel model(1);
    const PulseSamples samples = model.Synthesize(PulseConditions{});
    std::uint8_t sequence = 0;
    for (auto _ : state) {
        std::vector<std::uint8_t> body{0, 2, 0, 0, 60};
        const std::vector<std::uint8_t> data = CommandSet::PulseData(++sequence, 30, 123456, samples);
        body.insert(body.end(), data.begin(), data.end());
        benchmark::DoNotOptimize(BuildFrame(body));
    }
}
BENCHMARK(BM_PulseReplyFrame);

// Everything the emulator does per pulse served, short of the line.
static void BM_PulseServed(benchmark::State& state) {
    PulseModel model(1);
    PulseConditions conditions;
    conditions.sulfur = 0.8;
    std::uint8_t sequence = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(PulseModel::PeakLight(conditions));
        const PulseSamples samples = model.Synthesize(conditions);
        std::vector<std::uint8_t> body{0, 2, 0, 0, 60};
        const std::vector<std::uint8_t> data = CommandSet::PulseData(++sequence, 30, 123456, samples);
        body.insert(body.end(), data.begin(), data.end());
        benchmark::DoNotOptimize(BuildFrame(body));
    }
}
BENCHMARK(BM_PulseServed);
