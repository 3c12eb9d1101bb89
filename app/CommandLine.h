#pragma once

#include <optional>
#include <string>
#include <vector>

namespace veltrane {

// What an unattended run does when the controller did not answer at start-up (the Connection
// Options dialog's choices).
enum class ConnectFailure {
    Ask,
    Retry,
    Offline,
    Exit
};

enum class SessionChoice {
    Ask,
    Online,
    Offline
};

// What the command line asks of this run.
struct CommandLineOptions {
    bool simulate = false;
    std::string devicePath;
    std::optional<int> port;
    std::string traceFile;
    SessionChoice session = SessionChoice::Ask;
    bool help = false;
    bool version = false;
    double quitAfterSeconds = 0.0;
    std::string screenshotFile;
    bool stats = false;
    // Request the next pulse early (full-duplex lines), for this run, whatever the profile says.
    bool earlyPulseRequest = false;
    double simulateRateHz = 0.0; // 0: the emulator's default
    // The emulator's line goes away at this second for this long (an unplugged adapter).
    double simulateHangupStart = -1.0;
    double simulateHangupLength = 0.0;
    double simulateRunSeconds = 0.0; // 0: GC runs start only on command
    // The emulator's line: a pipe inside the process, or a pseudo-terminal (none on Windows).
#ifdef _WIN32
    bool simulateOnPipe = true;
#else
    bool simulateOnPipe = false;
#endif
    std::string profileFile; // settings file instead of the per-user one
    std::string workingDirectory;
    // Once online and the controller's settings are in, records into this data file
    // (unattended runs: soaks, kiosks).
    std::string recordFile;
    // A configuration named after the options, opened at start-up as File Open opens one
    // (the desktop's "open with").
    std::string documentFile;
    // Writes the configuration report of this file as a PDF and exits, no window shown.
    std::string printReportFile;
    std::string pdfFile;
    // One line per pulse shown: time, sequence, time counter, latency (see PulseTimeline).
    std::string pulseLogFile;
    // Unattended runs: message boxes are not shown but written to standard error, and every
    // question gets this answer.
    std::optional<bool> autoAnswer;
    ConnectFailure onConnectFailure = ConnectFailure::Ask;
};

// Parses the arguments after the program name. On a mistake returns nothing and sets error.
std::optional<CommandLineOptions> ParseCommandLine(const std::vector<std::string>& arguments,
                                                   std::string& error);
std::string UsageText(const std::string& programName);

} // namespace veltrane
