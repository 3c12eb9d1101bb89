#include "Exports.h"

#include "DataSeries.h"
#include "platform/NumberText.h"

#include <charconv>
#include <filesystem>
#include <fstream>

namespace veltrane::corvanet {

namespace {

// Run times are whole 10 ms ticks: five decimals of a minute (0.6 ms) tell every tick apart.
constexpr int kRunTimeDecimals = 5;
// Areas are sums of whole counts times 0.1 ms.
constexpr int kAreaDecimals = 1;
// The gate parameters are single precision: digits past the seventh are rounding noise.
constexpr int kValueDigits = 7;

// "-0" reads as a different number in some tools; zero is written "0".
void AppendNumberText(std::string& line, const char* text, int length) {
    if (length == 2 && text[0] == '-' && text[1] == '0') {
        line += '0';
    } else {
        line.append(text, static_cast<std::size_t>(length));
    }
}

void Fixed(std::string& line, double value, int decimals) {
    line += DecimalText(value, decimals);
}

void Significant(std::string& line, double value) {
    char buffer[32];
    const int length = FormatInto(buffer, sizeof buffer, "%.*g", kValueDigits, value);
    AppendNumberText(line, buffer, length);
}

void Integer(std::string& line, std::uint64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    line.append(buffer, result.ptr);
}

// A field as RFC 4180 has it: quoted when it holds a comma, a quote or a line end, quotes doubled.
void Field(std::string& line, const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        line += text;
        return;
    }
    line += '"';
    for (const char c : text) {
        if (c == '"') {
            line += '"';
        }
        line += c;
    }
    line += '"';
}

MetadataRows SourceRows(const ExportSource& source) {
    return {{"source", source.fileName}, {"opened", OpenedText(source.header)}};
}

// One "key,value" line per row, each after prefix.
bool WriteMetadata(std::ostream& out, const MetadataRows& rows, const char* prefix) {
    std::string line;
    for (const auto& [key, value] : rows) {
        line = prefix;
        Field(line, key);
        line += ',';
        Field(line, value);
        line += '\n';
        out << line;
    }
    return static_cast<bool>(out);
}

} // namespace

bool ExportCsvTable(const std::string& path, const MetadataRows& rows, MetadataPlacement placement,
                    const std::function<bool(std::ostream&)>& table) {
    const bool inlined = placement == MetadataPlacement::Inline;
    return WriteTextFile(path,
                         [&](std::ostream& out) {
                             return (!inlined || WriteMetadata(out, rows, "# ")) && table(out);
                         }) &&
           (inlined || WriteTextFile(MetadataPath(path), [&](std::ostream& out) {
                return WriteMetadata(out, {{"key", "value"}}, "") && WriteMetadata(out, rows, "");
            }));
}

ValueUnit ValueUnitOf(const GateMode& gate) {
    // By operator (- + * /), then plain and square root.
    static constexpr ValueUnit kUnits[4][2] = {
        {{"counts*ms", "counts_ms"}, {"sqrt(counts*ms)", "sqrt_counts_ms"}},
        {{"counts*ms", "counts_ms"}, {"sqrt(counts*ms)", "sqrt_counts_ms"}},
        {{"counts^2*ms^2", "counts2_ms2"}, {"counts*ms", "counts_ms"}},
        {{"ratio", "ratio"}, {"sqrt(ratio)", "sqrt_ratio"}}};
    const int op = gate.operatorIndex >= 0 && gate.operatorIndex < 4 ? gate.operatorIndex : 0;
    return kUnits[op][gate.squareRoot != 0 ? 1 : 0];
}

MetadataRows PulsesMetadata(const ExportSource& source) {
    MetadataRows rows = SourceRows(source);
    rows.emplace_back("sample_unit", "counts");
    rows.emplace_back("sample_interval_ms", "0.1");
    return rows;
}

MetadataRows ChromatogramMetadata(const ExportSource& source, const RegateSettings& settings,
                                  const Chromatogram& chromatogram) {
    MetadataRows rows = SourceRows(source);
    for (auto& row : DescribeSettings(settings, chromatogram)) {
        rows.push_back(std::move(row));
    }
    rows.emplace_back("value_unit", ValueUnitOf(settings.gate).text);
    return rows;
}

bool WritePulsesCsv(std::ostream& out, std::span<const StoredPulse> pulses, std::size_t first,
                    std::size_t last) {
    if (first > last || last >= pulses.size()) {
        return false;
    }
    std::string line = "index,time_counter_10ms,run_time_min,period_10ms";
    for (int i = 0; i < kPulseSamples; ++i) {
        line += ",counts_at_";
        Fixed(line, i * kSampleMs, 1);
        line += "_ms";
    }
    out << line << "\n";
    for (std::size_t p = first; p <= last; ++p) {
        const StoredPulse& pulse = pulses[p];
        line.clear();
        Integer(line, p);
        line += ',';
        Integer(line, pulse.timeCounter);
        line += ',';
        Fixed(line, static_cast<double>(pulse.timeCounter) / 6000.0, kRunTimeDecimals);
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

bool WriteChromatogramCsv(std::ostream& out, const RegateSettings& settings,
                          const Chromatogram& chromatogram) {
    out << "index,run_time_min,area_a_counts_ms,area_b_counts_ms,value_" << ValueUnitOf(settings.gate).column
        << "\n";
    std::string line;
    for (std::size_t i = 0; i < chromatogram.value.size(); ++i) {
        line.clear();
        Integer(line, i);
        line += ',';
        Fixed(line, chromatogram.runTimeMinutes[i], kRunTimeDecimals);
        line += ',';
        Fixed(line, chromatogram.areaA[i], kAreaDecimals);
        line += ',';
        Fixed(line, chromatogram.areaB[i], kAreaDecimals);
        line += ',';
        Significant(line, chromatogram.value[i]);
        line += '\n';
        out << line;
    }
    return static_cast<bool>(out);
}

std::string MetadataPath(const std::string& tablePath) {
    constexpr std::string_view kCsv = ".csv";
    const std::string_view path(tablePath);
    const bool csv = path.size() >= kCsv.size() && path.substr(path.size() - kCsv.size()) == kCsv;
    return std::string(csv ? path.substr(0, path.size() - kCsv.size()) : path) + ".meta.csv";
}

bool ExportPulsesCsv(const std::string& path, const ExportSource& source, std::span<const StoredPulse> pulses,
                     std::size_t first, std::size_t last, MetadataPlacement placement) {
    return ExportCsvTable(path, PulsesMetadata(source), placement,
                          [&](std::ostream& out) { return WritePulsesCsv(out, pulses, first, last); });
}

bool ExportChromatogramCsv(const std::string& path, const ExportSource& source,
                           const RegateSettings& settings, const Chromatogram& chromatogram,
                           MetadataPlacement placement) {
    return ExportCsvTable(
        path, ChromatogramMetadata(source, settings, chromatogram), placement,
        [&](std::ostream& out) { return WriteChromatogramCsv(out, settings, chromatogram); });
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
