// Cost of appending one pulse to a data file: the record encoding alone, and the whole append
// (limit check, record write and the count rewrite) on a real file in the temp folder.

#include "config/ConfigurationModel.h"
#include "config/RunLog.h"
#include "datafile/DataFileFormat.h"
#include "live/LiveState.h"
#include "live/PulseRecorder.h"
#include "platform/Clock.h"
#include "platform/DiskSpace.h"
#include "platform/Prompts.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

using namespace veltrane;

class QuietPrompts : public Prompts {
public:
    void ShowMessage(const std::string&, MessageIcon) override {}
    bool AskWarning(const std::string&) override { return false; }
};

class PlentyOfSpace : public DiskSpace {
public:
    std::optional<std::uint64_t> FreeBytes(const std::string&) const override { return 1ull << 40; }
};

PulseRecord SamplePulse() {
    PulseRecord record;
    record.timeCounter = 123456;
    record.period = 3030;
    for (std::size_t i = 0; i < record.samples.size(); ++i) {
        record.samples[i] = static_cast<std::uint16_t>(i * 97);
    }
    return record;
}

void BM_EncodeRecord(benchmark::State& state) {
    const PulseRecord record = SamplePulse();
    std::vector<std::uint8_t> out;
    out.reserve(datafile::kRecordSize);
    for (auto _ : state) {
        out.clear();
        datafile::EncodeRecord(record, out);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_EncodeRecord);

// The system disk-space query the program makes for every pulse.
void BM_FreeSpaceQuery(benchmark::State& state) {
    const std::string dir = std::filesystem::temp_directory_path().string();
    for (auto _ : state) {
        benchmark::DoNotOptimize(SystemDiskSpace::Instance().FreeBytes(dir));
    }
}
BENCHMARK(BM_FreeSpaceQuery);

template <bool kSystemDisk> void BM_AppendToFile(benchmark::State& state) {
    QuietPrompts prompts;
    RunLog runLog("bench.log", SystemClock::Instance(), prompts);
    runLog.SetEnabled(false);
    ConfigurationModel config(prompts, runLog);
    LiveState live;
    live.maxDataFileMB = 1e6f;
    live.minDiskFreeMB = 0.0f;
    live.dataDriveRoot = std::filesystem::temp_directory_path().string();
    PlentyOfSpace plenty;
    const DiskSpace& disk = kSystemDisk ? static_cast<const DiskSpace&>(SystemDiskSpace::Instance()) : plenty;
    PulseRecorder recorder(config, live, prompts, SystemClock::Instance(), disk);
    const std::string path =
        (std::filesystem::temp_directory_path() / ("bench_rec_" + std::to_string(getpid()) + ".dat"))
            .string();
    const PulseRecord record = SamplePulse();
    if (!recorder.Open(path, true)) { // its own scratch file, replaced without asking
        state.SkipWithError("cannot create the data file");
        return;
    }
    std::int64_t appended = 0;
    for (auto _ : state) {
        // A fresh file now and then keeps the file at the sizes a recording really reaches.
        if (recorder.RecordCount() >= 20000) {
            state.PauseTiming();
            recorder.Close();
            recorder.Open(path, true);
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(recorder.Append(record));
        ++appended;
    }
    recorder.Close();
    std::filesystem::remove(path);
    state.SetItemsProcessed(appended);
    state.SetBytesProcessed(appended * static_cast<std::int64_t>(datafile::kRecordSize));
}
BENCHMARK_TEMPLATE(BM_AppendToFile, false)->Name("BM_AppendToFile/fake_free_space");
BENCHMARK_TEMPLATE(BM_AppendToFile, true)->Name("BM_AppendToFile/system_free_space");

} // namespace
