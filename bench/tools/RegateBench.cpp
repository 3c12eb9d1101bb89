// Re-gating a day of pulses beside a plain sequential read of the same file.
//
// The file is made once per run in the system's temporary folder: about 285,000 pulses at 3.3 Hz
// (24 hours), 144 MB. Both measurements read it from the page cache, so they compare the work
// done on the bytes, not the disk.

#include "DataSeries.h"
#include "Peaks.h"
#include "datafile/DataFileFormat.h"
#include "datafile/Regating.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <sys/mman.h>

namespace {

using namespace veltrane;

constexpr std::size_t kDayPulses = 285120; // 24 h x 3600 s x 3.3 Hz

// A plausible pulse: dark level, a prompt emission, a delayed emission whose size follows a
// slow "chromatogram", and a little noise.
void MakePulse(std::size_t index, std::uint32_t& noise, PulseRecord& record) {
    const double peak =
        1.0 + 40.0 * std::exp(-std::pow((static_cast<double>(index % 20000) - 10000.0) / 600.0, 2));
    for (int i = 0; i < kPulseSamples; ++i) {
        const double t = i * 0.1 - 1.0;
        double value = 180.0;
        if (t >= 0.0) {
            value +=
                9000.0 * std::exp(-t / 1.2) + 300.0 * peak * (1.0 - std::exp(-t / 2.0)) * std::exp(-t / 8.0);
        }
        noise = noise * 1664525u + 1013904223u;
        value += static_cast<double>(noise >> 27);
        record.samples[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(std::min(value, 65535.0));
    }
}

const std::string& DayFile() {
    static const std::string path = [] {
        const std::string file = (std::filesystem::temp_directory_path() / "corvanet-bench-day.dat").string();
        ConfigurationBlock block;
        GateMode s;
        s.startA = 4.0f;
        s.stopA = 15.0f;
        s.alpha = 0.8f;
        s.startB = 18.0f;
        s.stopB = 24.0f;
        s.squareRoot = 1;
        block.gateModes = {s};
        block.board.triggerLevel = 1000;
        std::vector<std::uint8_t> bytes;
        datafile::PutU32(bytes, datafile::kMagic);
        std::vector<std::uint8_t> blockBytes;
        EncodeBlock(block, blockBytes);
        datafile::PutU16(bytes, static_cast<std::uint16_t>(datafile::kHeaderSize + blockBytes.size() + 4));
        for (const std::uint16_t field : {0, 0, 2026, 12, 7}) {
            datafile::PutU16(bytes, field);
        }
        bytes.insert(bytes.end(), blockBytes.begin(), blockBytes.end());
        datafile::PutU32(bytes, static_cast<std::uint32_t>(kDayPulses));
        bytes.reserve(bytes.size() + kDayPulses * datafile::kRecordSize);
        PulseRecord record;
        record.period = 30;
        std::uint32_t noise = 1;
        std::uint32_t time = 0;
        for (std::size_t p = 0; p < kDayPulses; ++p) {
            time += 29 + (p % 3 == 0 ? 2 : 0); // about 3.3 Hz with a little jitter
            record.timeCounter = time;
            MakePulse(p, noise, record);
            datafile::EncodeRecord(record, bytes);
        }
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(file.c_str(), "wb"), &std::fclose);
        if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out.get()) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", file.c_str());
            std::exit(1);
        }
        return file;
    }();
    return path;
}

// The plain read: the whole file into memory in 1 MiB blocks.
void SequentialRead(benchmark::State& state) {
    const std::string& path = DayFile();
    std::vector<char> buffer(1 << 20);
    std::size_t total = 0;
    for (auto _ : state) {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), &std::fclose);
        std::vector<char> whole;
        whole.reserve(std::filesystem::file_size(path));
        std::size_t got = 0;
        while ((got = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0) {
            whole.insert(whole.end(), buffer.data(), buffer.data() + got);
        }
        total = whole.size();
        benchmark::DoNotOptimize(whole.data());
    }
    state.counters["MB"] = static_cast<double>(total) / 1048576.0;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * total));
}
BENCHMARK(SequentialRead)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same read straight into one buffer backed by huge pages, as Corvanet's loader reads.
void SequentialReadHugePages(benchmark::State& state) {
    const std::string& path = DayFile();
    const std::size_t length = std::filesystem::file_size(path);
    for (auto _ : state) {
        void* mapped = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED) {
            state.SkipWithError("mmap failed");
            return;
        }
        madvise(mapped, length, MADV_HUGEPAGE);
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), &std::fclose);
        auto* bytes = static_cast<char*>(mapped);
        std::size_t done = 0;
        std::size_t got = 0;
        while (done < length &&
               (got = std::fread(bytes + done, 1, std::min<std::size_t>(1 << 22, length - done), in.get())) >
                   0) {
            done += got;
        }
        benchmark::DoNotOptimize(bytes);
        munmap(mapped, length);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * length));
}
BENCHMARK(SequentialReadHugePages)->Unit(benchmark::kMillisecond)->Iterations(5);

// What Corvanet does for a file: read and check it, then re-gate every pulse.
void RegateDayFromFile(benchmark::State& state) {
    const std::string& path = DayFile();
    std::size_t pulses = 0;
    for (auto _ : state) {
        DataFileContents file;
        std::string error;
        if (!corvanet::LoadDataFile(path, file, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        Chromatogram chromatogram;
        Regate(file.pulses, SettingsForChannel(file.configuration, 0), chromatogram, error);
        pulses = chromatogram.value.size();
        benchmark::DoNotOptimize(chromatogram.value.data());
    }
    state.counters["pulses"] = static_cast<double>(pulses);
}
BENCHMARK(RegateDayFromFile)->Unit(benchmark::kMillisecond)->Iterations(5);

// The peak table of a day: read and check the file, re-gate every pulse, find and integrate the
// peaks (minutes wide, found with the default settings). To be compared with SequentialRead in the
// same run.
void PeakTableDayFromFile(benchmark::State& state) {
    const std::string& path = DayFile();
    std::size_t peaks = 0;
    for (auto _ : state) {
        DataFileContents file;
        std::string error;
        if (!corvanet::LoadDataFile(path, file, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        Chromatogram chromatogram;
        Regate(file.pulses, SettingsForChannel(file.configuration, 0), chromatogram, error);
        const corvanet::PeakTable table =
            corvanet::FindPeaks(chromatogram.runTimeMinutes, chromatogram.value, corvanet::PeakSettings{});
        peaks = table.peaks.size();
        benchmark::DoNotOptimize(table.peaks.data());
    }
    state.counters["peaks"] = static_cast<double>(peaks);
}
BENCHMARK(PeakTableDayFromFile)->Unit(benchmark::kMillisecond)->Iterations(5);

// Peak finding alone on a day's chromatogram, as when a peak setting changes.
void PeaksDayInMemory(benchmark::State& state) {
    DataFileContents file;
    std::string error;
    if (!corvanet::LoadDataFile(DayFile(), file, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    Chromatogram chromatogram;
    Regate(file.pulses, SettingsForChannel(file.configuration, 0), chromatogram, error);
    for (auto _ : state) {
        const corvanet::PeakTable table =
            corvanet::FindPeaks(chromatogram.runTimeMinutes, chromatogram.value, corvanet::PeakSettings{});
        benchmark::DoNotOptimize(table.peaks.data());
    }
}
BENCHMARK(PeaksDayInMemory)->Unit(benchmark::kMillisecond)->Iterations(10);

// Re-gating alone, as when the user edits a gate with the file already open.
void RegateDayInMemory(benchmark::State& state) {
    DataFileContents file;
    std::string error;
    if (!corvanet::LoadDataFile(DayFile(), file, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const RegateSettings settings = SettingsForChannel(file.configuration, 0);
    for (auto _ : state) {
        Chromatogram chromatogram;
        Regate(file.pulses, settings, chromatogram, error);
        benchmark::DoNotOptimize(chromatogram.value.data());
    }
}
BENCHMARK(RegateDayInMemory)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace
