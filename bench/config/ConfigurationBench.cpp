// Load and save of a full configuration: five gate modes and sixteen timed events.

#include "config/ConfigurationModel.h"
#include "config/RunLog.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace veltrane;

class QuietPrompts : public Prompts {
public:
    void ShowMessage(const std::string&, MessageIcon) override {}
    bool AskWarning(const std::string&) override { return false; }
};

struct FullModel {
    QuietPrompts prompts;
    RunLog runLog{"bench.log", SystemClock::Instance(), prompts};
    ConfigurationModel model{prompts, runLog};

    FullModel() {
        runLog.SetEnabled(false);
        std::vector<GateMode> modes;
        for (int i = 0; i < kMaxGateModes; ++i) {
            modes.push_back({1, static_cast<std::int16_t>(i), 6.0f, 24.0f, 0, 0.25f, 1.0f, 3.0f, 1});
        }
        model.SetGateModes(modes);
        std::vector<TimedEvent> events;
        for (int i = 0; i < 16; ++i) {
            events.push_back({0.5f * static_cast<float>(i), static_cast<std::int16_t>(i % 7), 0, 1.0f, 1});
        }
        model.ReplaceTimedEvents(events);
    }
};

std::string BenchFile(const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

void BM_StoreBlock(benchmark::State& state) {
    FullModel full;
    for (auto _ : state) {
        benchmark::DoNotOptimize(full.model.StoreBlock());
    }
}
BENCHMARK(BM_StoreBlock);

void BM_LoadBlock(benchmark::State& state) {
    FullModel full;
    const std::vector<std::uint8_t> bytes = full.model.StoreBlock();
    for (auto _ : state) {
        benchmark::DoNotOptimize(full.model.LoadBlock(bytes));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_LoadBlock);

void BM_LoadConfiguration(benchmark::State& state) {
    FullModel full;
    const std::string path = BenchFile("veltrane-bench-load.cfg");
    full.model.SaveConfiguration(path);
    for (auto _ : state) {
        benchmark::DoNotOptimize(full.model.LoadConfiguration(path));
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_LoadConfiguration);

// Includes the flush to disk that keeps the operator's old file safe until the new one is whole.
void BM_SaveConfiguration(benchmark::State& state) {
    FullModel full;
    const std::string path = BenchFile("veltrane-bench-save.cfg");
    for (auto _ : state) {
        benchmark::DoNotOptimize(full.model.SaveConfiguration(path));
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_SaveConfiguration)->Unit(benchmark::kMicrosecond);

} // namespace
