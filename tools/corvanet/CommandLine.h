#pragma once

#include "Exports.h"
#include "Peaks.h"
#include "datafile/Regating.h"

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace veltrane::corvanet {

enum class CommandKind {
    Window, // open the window, with an optional file or folder
    Help,
    Version,
    ExportCsv,
    ExportCdf,
    ExportPng, // a picture of the chromatogram; the program's window part draws it
    ExportPeaks,
    Invalid
};

// Changes to the gate mode taken from a file, given on the command line.
struct GateOverrides {
    int channel = 0;                     // 0 or 1
    std::optional<std::string> gateName; // "S", "P-2" ...
    std::optional<std::pair<float, float>> gateA;
    std::optional<std::pair<float, float>> gateB;
    std::optional<int> operatorIndex;
    std::optional<float> alpha;
    std::optional<bool> squareRoot;
    std::optional<bool> fromPulseStart;
    std::optional<int> triggerLevel;
    BaselineChoice baseline;
};

struct Command {
    CommandKind kind = CommandKind::Window;
    std::vector<std::string> inputs;                         // files and folders
    std::string outputFolder;                                // empty: beside each input
    bool pulses = false;                                     // CSV: the pulses
    bool chromatogram = false;                               // CSV: the chromatogram
    MetadataPlacement metadata = MetadataPlacement::Sidecar; // CSV: where the source and gate parameters go
    std::optional<std::pair<std::size_t, std::size_t>> range;
    GateOverrides gate;
    std::pair<int, int> pictureSize{1200, 800}; // --size WxH, pixels
    // Draws the picture of --export-png to the target; set by the program, as the core has no Qt.
    std::function<bool(const std::string& target, const RegateSettings&, const Chromatogram&,
                       std::string& error)>
        drawPicture;
    PeakSettings peaks;
    std::string error; // for Invalid
};

Command ParseCommandLine(const std::vector<std::string>& args);

extern const char* const kUsage;
extern const char* const kVersionText; // "Corvanet 1.2.3\n"

// The settings for one file: the chosen channel's or named gate mode with the overrides applied.
// False with a message when a named gate mode is not in the file.
bool ResolveSettings(const ConfigurationBlock& block, const GateOverrides& overrides, RegateSettings& out,
                     std::string& error);

// Runs an export command over every input; the exit status (0 all written, 1 some input failed,
// 2 a --gate that some input's configuration lacks: checked for every input before anything is written).
int RunExport(const Command& command, std::ostream& out, std::ostream& err);

} // namespace veltrane::corvanet
