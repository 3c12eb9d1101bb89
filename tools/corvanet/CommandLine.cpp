#include "CommandLine.h"

#include "CorvanetMessages.h"
#include "DataSeries.h"
#include "Exports.h"
#include "PeakExport.h"
#include "config/Vocabulary.h"
#include "platform/Options.h"
#include "platform/Version.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <map>

namespace veltrane::corvanet {

const char* const kUsage =
    "usage: Corvanet [FILE.dat | FOLDER]\n"
    "       Corvanet --export-csv [options] FILE.dat|FOLDER ...\n"
    "       Corvanet --export-cdf [options] FILE.dat|FOLDER ...\n"
    "       Corvanet --export-png [--size WxH] [options] FILE.dat|FOLDER ...\n"
    "       Corvanet --export-peaks [options] FILE.dat|FOLDER ...\n"
    "       Corvanet --version\n"
    "\n"
    "Without an export option the viewer window opens (with the file or folder when one is given).\n"
    "A folder stands for every .dat file in it. Each input NAME.dat gives NAME.pulses.csv and\n"
    "NAME.chrom.csv (--export-csv), each with its metadata in NAME.pulses.meta.csv and\n"
    "NAME.chrom.meta.csv, NAME.cdf (--export-cdf, ANDI/AIA chromatography netCDF),\n"
    "NAME.chrom.png (--export-png, a picture of the chromatogram, 1200x800 pixels unless --size)\n"
    "or NAME.peaks.csv (--export-peaks, the peak table of the chromatogram).\n"
    "\n"
    "options:\n"
    "  --pulses                 CSV: only the pulses\n"
    "  --chromatogram           CSV: only the chromatogram\n"
    "  --metadata sidecar|inline\n"
    "                           CSV: source and gate parameters in NAME.*.meta.csv (default)\n"
    "                           or as '#' lines before the column names\n"
    "  --out FOLDER             write into FOLDER instead of beside each input\n"
    "  --range I:J              pulses I to J only (0-based, inclusive)\n"
    "  --channel 1|2            the gate mode of that channel in the file's configuration (default 1)\n"
    "  --gate NAME[-N]          the gate mode of that name in the file's configuration, e.g. S or P-2\n"
    "  --gate-a START:STOP      gate A in ms after the pulse start, within 0 to 25\n"
    "  --gate-b START:STOP      gate B in ms, within 0 to 25\n"
    "  --operator -|+|x|/       how A and alpha*B are combined ('*' or 'x' for a product)\n"
    "  --alpha X                factor of gate B\n"
    "  --sqrt on|off            square root of the baseline-subtracted value (negatives give 0)\n"
    "  --anchor start|first     gates after the pulse start (default) or after the first sample\n"
    "  --trigger N              trigger level for the pulse start (default: the file's)\n"
    "  --baseline none|first:N|range:I:J|value:X\n"
    "                           subtracted from every point (default first:10)\n"
    "  --size WxH               --export-png: the picture's width and height in pixels (100 to 10000)\n"
    "  --peak-threshold X       peaks: slope and height in noise units (default 5)\n"
    "  --peak-min-width MIN     peaks: least width at half height in minutes (default 0.01)\n"
    "  --peak-min-area X        peaks: least area, value x s (default 0)\n"
    "  --peak-baseline drop|valley|skim\n"
    "                           peaks: drop lines (default), valley to valley, or tangent skim of\n"
    "                           small peaks on a larger one's tail\n"
    "\n"
    "Every chromatogram carries the gate parameters used (the metadata of CSV, global attributes\n"
    "in netCDF). Exit status: 0 all written, 1 an input could not be read or written, 2 wrong\n"
    "arguments (a --gate missing from any input's configuration too: then nothing is written).\n";

const char* const kVersionText = "Corvanet " VELTRANE_VERSION "\n";

namespace {

template <typename T> bool ParseNumber(const std::string& text, T& value) {
    if constexpr (std::is_same_v<T, double>) {
        return ParseDouble(text, value);
    } else if constexpr (std::is_same_v<T, float>) {
        return ParseFloat(text, value);
    } else {
        return ParseWholeNumber(text, value);
    }
}

template <typename T> bool ParsePair(const std::string& text, std::pair<T, T>& pair) {
    const std::size_t colon = text.find(':');
    return colon != std::string::npos && ParseNumber(text.substr(0, colon), pair.first) &&
           ParseNumber(text.substr(colon + 1), pair.second);
}

bool ParseBaseline(const std::string& text, BaselineChoice& baseline) {
    if (text == "none") {
        baseline.kind = BaselineKind::None;
        return true;
    }
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) {
        return false;
    }
    const std::string kind = text.substr(0, colon);
    const std::string rest = text.substr(colon + 1);
    if (kind == "first") {
        baseline.kind = BaselineKind::FirstPulses;
        return ParseNumber(rest, baseline.count);
    }
    if (kind == "range") {
        std::pair<std::size_t, std::size_t> range;
        baseline.kind = BaselineKind::PulseRange;
        if (!ParsePair(rest, range) || range.first > range.second) {
            return false;
        }
        baseline.first = range.first;
        baseline.last = range.second;
        return true;
    }
    if (kind == "value") {
        baseline.kind = BaselineKind::Fixed;
        return ParseNumber(rest, baseline.value);
    }
    return false;
}

bool ParseOperator(const std::string& text, int& index) {
    for (std::size_t i = 0; i < kOperatorNames.size(); ++i) {
        if (text == kOperatorNames[i]) {
            index = static_cast<int>(i);
            return true;
        }
    }
    if (text == "x") {
        index = 2;
        return true;
    }
    return false;
}

bool ParseOnOff(const std::string& text, bool& on) {
    if (text == "on" || text == "ON") {
        on = true;
        return true;
    }
    if (text == "off" || text == "OFF") {
        on = false;
        return true;
    }
    return false;
}

// Why a gate start:stop (ms after the anchor) cannot be: nothing when it can.
const char* GateRefusal(const std::pair<float, float>& gate) {
    constexpr float kPulseMs = static_cast<float>(kPulseSamples * kSampleMs);
    if (gate.first < 0.0f || gate.second < 0.0f || gate.first > kPulseMs || gate.second > kPulseMs) {
        return messages::kGateOutsidePulse;
    }
    return gate.second < gate.first ? messages::kGateStopBeforeStart : nullptr;
}

bool ApplyPeakOption(const std::string& option, const std::string& value, PeakSettings& peaks) {
    if (option == "--peak-baseline") {
        static const std::pair<const char*, PeakBaseline> kNames[] = {
            {"drop", PeakBaseline::DropLine},
            {"valley", PeakBaseline::ValleyToValley},
            {"skim", PeakBaseline::TangentSkim}};
        for (const auto& [name, kind] : kNames) {
            if (value == name) {
                peaks.baseline = kind;
                return true;
            }
        }
        return false;
    }
    double number = 0.0;
    if (!ParseNumber(value, number) || number < 0.0) {
        return false;
    }
    if (option == "--peak-threshold") {
        peaks.threshold = number;
        return number > 0.0;
    }
    if (option == "--peak-min-width") {
        peaks.minWidthMinutes = number;
        return true;
    }
    if (option == "--peak-min-area") {
        peaks.minArea = number;
        return true;
    }
    return false;
}

// Applies one option with its value; false for a value that does not parse or cannot be, with
// the reason in why when there is more to say than that.
bool ApplyOption(const std::string& option, const std::string& value, Command& command, const char*& why) {
    GateOverrides& gate = command.gate;
    if (option == "--out") {
        command.outputFolder = value;
        return !value.empty();
    }
    if (option == "--range") {
        std::pair<std::size_t, std::size_t> range;
        if (!ParsePair(value, range)) {
            return false;
        }
        if (range.first > range.second) {
            why = messages::kRangeBackwards;
            return false;
        }
        command.range = range;
        return true;
    }
    if (option == "--channel") {
        int channel = 0;
        if (!ParseNumber(value, channel) || channel < 1 || channel > 2) {
            return false;
        }
        gate.channel = channel - 1;
        return true;
    }
    if (option == "--gate") {
        gate.gateName = value;
        return !value.empty();
    }
    if (option == "--gate-a" || option == "--gate-b") {
        std::pair<float, float> pair;
        if (!ParsePair(value, pair)) {
            return false;
        }
        why = GateRefusal(pair);
        if (why != nullptr) {
            return false;
        }
        (option == "--gate-a" ? gate.gateA : gate.gateB) = pair;
        return true;
    }
    if (option == "--operator") {
        int index = 0;
        if (!ParseOperator(value, index)) {
            return false;
        }
        gate.operatorIndex = index;
        return true;
    }
    if (option == "--alpha") {
        float alpha = 0.0f;
        if (!ParseNumber(value, alpha)) {
            return false;
        }
        gate.alpha = alpha;
        return true;
    }
    if (option == "--sqrt") {
        bool on = false;
        if (!ParseOnOff(value, on)) {
            return false;
        }
        gate.squareRoot = on;
        return true;
    }
    if (option == "--anchor") {
        if (value != "start" && value != "first") {
            return false;
        }
        gate.fromPulseStart = value == "start";
        return true;
    }
    if (option == "--trigger") {
        int level = 0;
        if (!ParseNumber(value, level)) {
            return false;
        }
        gate.triggerLevel = level;
        return true;
    }
    if (option == "--baseline") {
        return ParseBaseline(value, gate.baseline);
    }
    if (option == "--metadata") {
        if (value != "sidecar" && value != "inline") {
            return false;
        }
        command.metadata = value == "inline" ? MetadataPlacement::Inline : MetadataPlacement::Sidecar;
        return true;
    }
    if (option == "--size") {
        const std::size_t x = value.find('x');
        std::pair<int, int> size;
        if (x == std::string::npos || !ParseNumber(value.substr(0, x), size.first) ||
            !ParseNumber(value.substr(x + 1), size.second) || size.first < 100 || size.second < 100 ||
            size.first > 10000 || size.second > 10000) {
            return false;
        }
        command.pictureSize = size;
        return true;
    }
    return ApplyPeakOption(option, value, command.peaks);
}

Command Invalid(std::string text) {
    Command command;
    command.kind = CommandKind::Invalid;
    command.error = std::move(text);
    return command;
}

} // namespace

Command ParseCommandLine(const std::vector<std::string>& args) {
    Command command;
    OptionTable table;
    table.options = {
        Flag(
            {"--help", "-h"}, [&] { command.kind = CommandKind::Help; }, true),
        Flag(
            {"--version"}, [&] { command.kind = CommandKind::Version; }, true),
        Flag({"--pulses"}, [&] { command.pulses = true; }),
        Flag({"--chromatogram"}, [&] { command.chromatogram = true; }),
    };
    const std::pair<const char*, CommandKind> kExports[] = {{"--export-csv", CommandKind::ExportCsv},
                                                            {"--export-cdf", CommandKind::ExportCdf},
                                                            {"--export-png", CommandKind::ExportPng},
                                                            {"--export-peaks", CommandKind::ExportPeaks}};
    for (const auto& entry : kExports) {
        const CommandKind kind = entry.second;
        table.options.push_back(
            {{entry.first}, false, [&command, kind](const std::string&, std::string& error) {
                 if (command.kind != CommandKind::Window && command.kind != kind) {
                     error = "only one of --export-csv, --export-cdf, --export-png and "
                             "--export-peaks may be given";
                     return false;
                 }
                 command.kind = kind;
                 return true;
             }});
    }
    for (const char* name :
         {"--out", "--range", "--channel", "--gate", "--gate-a", "--gate-b", "--operator", "--alpha",
          "--sqrt", "--anchor", "--trigger", "--baseline", "--metadata", "--size", "--peak-threshold",
          "--peak-min-width", "--peak-min-area", "--peak-baseline"}) {
        table.options.push_back(
            Valued({name}, [&command, name](const std::string& value, std::string& error) {
                const char* why = nullptr;
                if (ApplyOption(name, value, command, why)) {
                    return true;
                }
                if (why != nullptr) {
                    error = std::string(name) + " " + value + ": " + why;
                }
                return false;
            }));
    }
    table.badValue = [](const std::string& name, const std::string& value) {
        return "invalid value for " + name + ": " + value;
    };
    table.operand = [&](const std::string& argument, std::string&) {
        command.inputs.push_back(argument);
        return true;
    };
    std::string error;
    if (!ParseOptions(args, table, error)) {
        return Invalid(error);
    }
    if (command.kind == CommandKind::Help || command.kind == CommandKind::Version) {
        return command;
    }
    if (command.kind == CommandKind::Window) {
        if (command.inputs.size() > 1) {
            return Invalid("the window opens one file or folder");
        }
        return command;
    }
    if (command.inputs.empty()) {
        return Invalid("no data file given");
    }
    if (!command.pulses && !command.chromatogram) {
        command.pulses = command.chromatogram = true;
    }
    return command;
}

bool ResolveSettings(const ConfigurationBlock& block, const GateOverrides& overrides, RegateSettings& out,
                     std::string& error) {
    RegateSettings settings = SettingsForChannel(block, overrides.channel);
    if (overrides.gateName) {
        bool found = false;
        for (const GateMode& mode : block.gateModes) {
            if (GateModeDisplayName(mode.name, mode.suffix) == *overrides.gateName) {
                settings.gate = mode;
                found = true;
            }
        }
        if (!found) {
            error = messages::kNoGateModeBefore + *overrides.gateName + messages::kNoGateModeAfter;
            return false;
        }
    }
    GateMode& gate = settings.gate;
    if (overrides.gateA) {
        gate.startA = overrides.gateA->first;
        gate.stopA = overrides.gateA->second;
    }
    if (overrides.gateB) {
        gate.startB = overrides.gateB->first;
        gate.stopB = overrides.gateB->second;
    }
    if (overrides.operatorIndex) {
        gate.operatorIndex = static_cast<std::int16_t>(*overrides.operatorIndex);
    }
    if (overrides.alpha) {
        gate.alpha = *overrides.alpha;
    }
    if (overrides.squareRoot) {
        gate.squareRoot = *overrides.squareRoot ? 1 : 0;
    }
    if (overrides.fromPulseStart) {
        settings.fromPulseStart = *overrides.fromPulseStart;
    }
    if (overrides.triggerLevel) {
        settings.triggerLevel = *overrides.triggerLevel;
    }
    settings.baseline = overrides.baseline;
    settings.edited = overrides.gateA || overrides.gateB || overrides.operatorIndex || overrides.alpha ||
                      overrides.squareRoot;
    out = settings;
    return true;
}

namespace {

std::string OutputPath(const Command& command, const std::filesystem::path& input,
                       const std::string& suffix) {
    const std::filesystem::path folder =
        command.outputFolder.empty() ? input.parent_path() : std::filesystem::path(command.outputFolder);
    return (folder / (input.stem().string() + suffix)).string();
}

// Exports one file; messages go to err prefixed with the file's name.
bool ExportOne(const Command& command, const std::string& path, std::ostream& out, std::ostream& err) {
    const std::string name = std::filesystem::path(path).filename().string();
    DataFileContents file;
    std::string error;
    if (!LoadDataFile(path, file, error)) {
        err << "Corvanet: " << path << ": " << error << "\n";
        return false;
    }
    for (const std::string& note : LoadNotes(file)) {
        err << "Corvanet: " << path << ": " << note << "\n";
    }
    if (file.pulses.empty()) {
        return false;
    }
    std::span<const StoredPulse> pulses(file.pulses);
    std::size_t first = 0;
    if (command.range) {
        if (command.range->second >= pulses.size()) {
            err << "Corvanet: " << path << ": " << messages::kBadPulseRange << "\n";
            return false;
        }
        first = command.range->first;
        pulses = pulses.subspan(first, command.range->second - first + 1);
    }
    const ExportSource source{name, file.header};
    bool ok = true;
    const bool sidecar = command.metadata == MetadataPlacement::Sidecar;
    const auto written = [&](const std::string& target, bool success, const std::string& why) {
        if (success) {
            out << messages::kExportDone << target << "\n";
            if (sidecar && command.kind == CommandKind::ExportCsv) {
                out << messages::kExportDone << MetadataPath(target) << "\n";
            }
        } else {
            err << "Corvanet: " << target << ": " << why << "\n";
            ok = false;
        }
    };
    RegateSettings settings;
    Chromatogram chromatogram;
    const auto regated = [&] {
        if (ResolveSettings(file.configuration, command.gate, settings, error) &&
            Regate(pulses, settings, chromatogram, error)) {
            return true;
        }
        err << "Corvanet: " << path << ": " << error << "\n";
        return false;
    };
    if (command.kind == CommandKind::ExportPeaks) {
        if (!regated()) {
            return false;
        }
        const PeakTable table = FindPeaks(chromatogram.runTimeMinutes, chromatogram.value, command.peaks);
        const std::string target = OutputPath(command, path, ".peaks.csv");
        written(
            target,
            WriteTextFile(target,
                          [&](std::ostream& stream) { return WritePeaksCsv(stream, settings.gate, table); }),
            messages::kCannotWriteFile);
        return ok;
    }
    if (command.kind == CommandKind::ExportCsv && command.pulses) {
        const std::string target = OutputPath(command, path, ".pulses.csv");
        written(
            target,
            ExportPulsesCsv(target, source, file.pulses, first, first + pulses.size() - 1, command.metadata),
            messages::kCannotWriteFile);
    }
    if (command.kind == CommandKind::ExportCdf || command.kind == CommandKind::ExportPng ||
        command.chromatogram) {
        if (!regated()) {
            return false;
        }
        // Nothing below reads the pulses: a day's 140 MB go before the picture or file is made.
        pulses = {};
        std::vector<StoredPulse>().swap(file.pulses);
        if (command.kind == CommandKind::ExportCsv) {
            const std::string target = OutputPath(command, path, ".chrom.csv");
            written(target, ExportChromatogramCsv(target, source, settings, chromatogram, command.metadata),
                    messages::kCannotWriteFile);
        } else if (command.kind == CommandKind::ExportPng) {
            const std::string target = OutputPath(command, path, ".chrom.png");
            const bool success =
                command.drawPicture && command.drawPicture(target, settings, chromatogram, error);
            written(target, success, error);
        } else {
            const std::string target = OutputPath(command, path, ".cdf");
            const PeakTable peaks = FindPeaks(chromatogram.runTimeMinutes, chromatogram.value, command.peaks);
            const bool success = WriteChromatogramCdf(target, source, settings, chromatogram, peaks, error);
            written(target, success, error);
        }
    }
    return ok;
}

// The folder and stem every export of path is written under, the stem in lower case: two inputs
// with the same key would overwrite each other's exports (on a case-blind file system too).
std::string ExportKey(const Command& command, const std::string& path) {
    const std::filesystem::path target(OutputPath(command, path, ""));
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::weakly_canonical(target.parent_path(), ec);
    if (ec) {
        folder = target.parent_path().lexically_normal();
    }
    std::string stem = target.filename().string();
    std::transform(stem.begin(), stem.end(), stem.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return (folder / stem).string();
}

// True when no two inputs export to the same names; otherwise says which two.
bool ExportsApart(const Command& command, const std::vector<std::string>& paths, std::ostream& err) {
    std::map<std::string, std::string> seen;
    for (const std::string& path : paths) {
        const auto [at, fresh] = seen.emplace(ExportKey(command, path), path);
        if (!fresh) {
            err << "Corvanet: " << messages::kExportClashBefore << at->second << messages::kExportClashAnd
                << path << messages::kExportClashAfter << "\n";
            return false;
        }
    }
    return true;
}

// A --gate names a mode of every input's configuration (inputs that cannot be read are left to the
// export, which says so); otherwise says which lack it.
bool GateInEveryInput(const Command& command, const std::vector<std::string>& paths, std::ostream& err) {
    if (!command.gate.gateName || (command.kind == CommandKind::ExportCsv && !command.chromatogram)) {
        return true;
    }
    bool ok = true;
    for (const std::string& path : paths) {
        DataFileContents head;
        std::string error;
        RegateSettings settings;
        if (LoadDataFileHead(path, head, error) &&
            !ResolveSettings(head.configuration, command.gate, settings, error)) {
            err << "Corvanet: " << path << ": " << error << "\n";
            ok = false;
        }
    }
    if (!ok) {
        err << "Corvanet: " << messages::kGateMissingNothingWritten << "\n";
    }
    return ok;
}

} // namespace

int RunExport(const Command& command, std::ostream& out, std::ostream& err) {
    bool ok = true;
    std::vector<std::string> paths;
    for (const std::string& input : command.inputs) {
        std::error_code ec;
        if (std::filesystem::is_directory(input, ec)) {
            const std::vector<std::string> series = ListSeries(input);
            if (series.empty()) {
                err << "Corvanet: " << input << ": " << messages::kNoDataFilesInFolder << "\n";
                ok = false;
            }
            paths.insert(paths.end(), series.begin(), series.end());
        } else {
            paths.push_back(input);
        }
    }
    // Checked before anything is written, so a clash never costs an export made earlier.
    if (!ExportsApart(command, paths, err)) {
        return 1;
    }
    if (!GateInEveryInput(command, paths, err)) {
        return 2;
    }
    std::error_code ec;
    if (!command.outputFolder.empty() && !std::filesystem::is_directory(command.outputFolder, ec) &&
        !std::filesystem::create_directories(command.outputFolder, ec)) {
        err << "Corvanet: " << command.outputFolder << ": " << messages::kCannotMakeOutFolder << "\n";
        return 1;
    }
    for (const std::string& path : paths) {
        ok = ExportOne(command, path, out, err) && ok;
    }
    return ok ? 0 : 1;
}

} // namespace veltrane::corvanet
