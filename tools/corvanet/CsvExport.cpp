#include "Exports.h"

#include "DataSeries.h"
#include "platform/NumberText.h"

#include <charconv>
#include <filesystem>
#include <fstream>

namespace veltrane::corvanet {

namespace {

void Number(std::string& line, double value) {
    char buffer[32];
    const int length = FormatInto(buffer, sizeof buffer, "%.9g", value);
    line.append(buffer, static_cast<std::size_t>(length));
}

void Integer(std::string& line, std::uint64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    line.append(buffer, result.ptr);
}

void SourceLines(std::ostream& out, const ExportSource& source) {
    out << "# source," << source.fileName << "\n";
    out << "# opened," << OpenedText(source.header) << "\n";
}

} // namespace

bool WritePulsesCsv(std::ostream& out, const ExportSource& source, std::span<const StoredPulse> pulses,
                    std::size_t first, std::size_t last) {
    if (first > last || last >= pulses.size()) {
        return false;
    }
    SourceLines(out, source);
    std::string line = "index,time_counter,run_time_min,period";
    for (int i = 0; i < kPulseSamples; ++i) {
        line += ',';
        Number(line, i * kSampleMs);
    }
    out << line << "\n";
    for (std::size_t p = first; p <= last; ++p) {
        const StoredPulse& pulse = pulses[p];
        line.clear();
        Integer(line, p);
        line += ',';
        Integer(line, pulse.timeCounter);
        line += ',';
        Number(line, static_cast<double>(pulse.timeCounter) / 6000.0);
        line += ',';
        Integer(line, pulse.period);
        for (const std::uint16_t sample : pulse.samples) {
            line += ',';
            Integer(line, sample);
        }
        line += '\n';
        out << line;
    }
    return static_cast<bool>(out);
}

bool WriteChromatogramCsv(std::ostream& out, const ExportSource& source, const RegateSettings& settings,
                          const Chromatogram& chromatogram) {
    SourceLines(out, source);
    for (const auto& [key, value] : DescribeSettings(settings, chromatogram)) {
        out << "# " << key << "," << value << "\n";
    }
    out << "index,run_time_min,area_a,area_b,value\n";
    std::string line;
    for (std::size_t i = 0; i < chromatogram.value.size(); ++i) {
        line.clear();
        Integer(line, i);
        line += ',';
        Number(line, chromatogram.runTimeMinutes[i]);
        line += ',';
        Number(line, chromatogram.areaA[i]);
        line += ',';
        Number(line, chromatogram.areaB[i]);
        line += ',';
        Number(line, chromatogram.value[i]);
        line += '\n';
        out << line;
    }
    return static_cast<bool>(out);
}

bool WriteTextFile(const std::string& path, const std::function<bool(std::ostream&)>& write) {
    const std::string temporary = path + ".part";
    bool ok = false;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        ok = out && write(out);
        out.close();
        ok = ok && !out.fail();
    }
    std::error_code ec;
    if (ok) {
        std::filesystem::rename(temporary, path, ec);
        ok = !ec;
    }
    if (!ok) {
        std::filesystem::remove(temporary, ec);
    }
    return ok;
}

} // namespace veltrane::corvanet
