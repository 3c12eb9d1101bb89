#include "app/CommandLine.h"

#include "platform/NumberText.h"

#include <charconv>

namespace veltrane {

namespace {

bool ParseInt(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end;
}

} // namespace

std::optional<CommandLineOptions> ParseCommandLine(const std::vector<std::string>& arguments,
                                                   std::string& error) {
    CommandLineOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::string value;
        bool hasInlineValue = false;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasInlineValue = true;
        }
        const auto takeValue = [&]() -> bool {
            if (hasInlineValue) {
                return true;
            }
            if (i + 1 >= arguments.size()) {
                error = name + " needs a value";
                return false;
            }
            value = arguments[++i];
            return true;
        };
        if (name == "--simulate") {
            options.simulate = true;
        } else if (name == "--online") {
            options.session = SessionChoice::Online;
        } else if (name == "--offline") {
            options.session = SessionChoice::Offline;
        } else if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--version") {
            options.version = true;
        } else if (name == "--stats") {
            options.stats = true;
        } else if (name == "--device") {
            if (!takeValue()) {
                return std::nullopt;
            }
            options.devicePath = value;
        } else if (name == "--port") {
            int port = 0;
            if (!takeValue()) {
                return std::nullopt;
            }
            if (!ParseInt(value, port) || port < 1) {
                error = "--port needs a port number of 1 or more";
                return std::nullopt;
            }
            options.port = port;
        } else if (name == "--trace-serial") {
            if (!takeValue()) {
                return std::nullopt;
            }
            options.traceFile = value;
        } else if (name == "--quit-after") {
            if (!takeValue()) {
                return std::nullopt;
            }
            if (!ParseDouble(value, options.quitAfterSeconds) || options.quitAfterSeconds <= 0) {
                error = "--quit-after needs a number of seconds";
                return std::nullopt;
            }
        } else if (name == "--simulate-rate") {
            if (!takeValue()) {
                return std::nullopt;
            }
            if (!ParseDouble(value, options.simulateRateHz) || options.simulateRateHz <= 0) {
                error = "--simulate-rate needs pulses per second";
                return std::nullopt;
            }
        } else if (name == "--simulate-runs") {
            if (!takeValue()) {
                return std::nullopt;
            }
            if (!ParseDouble(value, options.simulateRunSeconds) || options.simulateRunSeconds <= 0) {
                error = "--simulate-runs needs a number of seconds";
                return std::nullopt;
            }
        } else if (name == "--simulate-hangup") {
            if (!takeValue()) {
                return std::nullopt;
            }
            const auto colon = value.find(':');
            if (colon == std::string::npos ||
                !ParseDouble(value.substr(0, colon), options.simulateHangupStart) ||
                !ParseDouble(value.substr(colon + 1), options.simulateHangupLength) ||
                options.simulateHangupStart < 0 || options.simulateHangupLength <= 0) {
                error = "--simulate-hangup needs START:LENGTH in seconds";
                return std::nullopt;
            }
        } else if (name == "--screenshot") {
            if (!takeValue()) {
                return std::nullopt;
            }
            options.screenshotFile = value;
        } else if (name == "--profile") {
            if (!takeValue()) {
                return std::nullopt;
            }
            options.profileFile = value;
        } else if (name == "--workdir") {
            if (!takeValue()) {
                return std::nullopt;
            }
            options.workingDirectory = value;
        } else if (name == "--record") {
            if (!takeValue()) {
                return std::nullopt;
            }
            options.recordFile = value;
        } else if (name == "--print-report") {
            if (!takeValue()) {
                return std::nullopt;
            }
            options.printReportFile = value;
        } else if (name == "--pulse-log") {
            if (!takeValue()) {
                return std::nullopt;
            }
            options.pulseLogFile = value;
        } else if (name == "--auto-answer") {
            if (!takeValue()) {
                return std::nullopt;
            }
            if (value != "yes" && value != "no") {
                error = "--auto-answer needs yes or no";
                return std::nullopt;
            }
            options.autoAnswer = value == "yes";
        } else if (name == "--on-connect-failure") {
            if (!takeValue()) {
                return std::nullopt;
            }
            if (value == "retry") {
                options.onConnectFailure = ConnectFailure::Retry;
            } else if (value == "offline") {
                options.onConnectFailure = ConnectFailure::Offline;
            } else if (value == "exit") {
                options.onConnectFailure = ConnectFailure::Exit;
            } else {
                error = "--on-connect-failure needs retry, offline or exit";
                return std::nullopt;
            }
        } else if (name == "--pdf") {
            if (!takeValue()) {
                return std::nullopt;
            }
            options.pdfFile = value;
        } else if (name.rfind("-", 0) == 0) {
            error = "unknown option " + name;
            return std::nullopt;
        } else if (options.documentFile.empty()) {
            options.documentFile = arguments[i];
        } else {
            error = "unexpected argument " + name + " (one configuration file at most)";
            return std::nullopt;
        }
    }
    if (options.simulate && !options.devicePath.empty()) {
        error = "--simulate and --device cannot be combined";
        return std::nullopt;
    }
    if (options.printReportFile.empty() != options.pdfFile.empty()) {
        error = "--print-report FILE.cfg and --pdf OUT.pdf go together";
        return std::nullopt;
    }
    if (options.simulate && options.session == SessionChoice::Ask) {
        options.session = SessionChoice::Online;
    }
    return options;
}

std::string UsageText(const std::string& programName) {
    return "Usage: " + programName +
           " [options] [FILE.cfg]\n"
           "\n"
           "The operator's program for a PFPD detector controller. FILE.cfg is opened as File > Open does.\n"
           "\n"
           "  --simulate           run online against the built-in controller emulator\n"
           "  --simulate-rate HZ   pulse rate of the emulator (default 3.3)\n"
           "  --simulate-hangup S:L the emulator's line goes away at second S for L seconds\n"
           "  --simulate-runs S    the emulator's GC runs one after another, each S seconds long\n"
           "  --device PATH        serial device of the controller (e.g. /dev/ttyUSB0)\n"
           "  --port N             numbered port (profile \"Com\"/\"Device<N>\", else /dev/ttyS<N-1>)\n"
           "  --trace-serial FILE  write every frame sent and received to FILE\n"
           "  --online             start online without the mode dialog\n"
           "  --offline            start offline without the mode dialog\n"
           "  --profile FILE       settings file to use instead of the per-user one\n"
           "  --workdir DIR        working directory (DEFAULT.CFG, run log)\n"
           "  --record FILE.dat    once the controller's settings are in, record into FILE.dat (at most\n"
           "                       5 characters before .dat, as the file dialog allows)\n"
           "  --print-report FILE.cfg --pdf OUT.pdf\n"
           "                       write the configuration report of FILE.cfg as a PDF and exit\n"
           "  --quit-after SECONDS close the program after this time\n"
           "  --screenshot FILE    save a picture of the main window when closing (PNG)\n"
           "  --stats              print pulses shown, sequence gaps and the longest tick on exit\n"
           "  --pulse-log FILE     one line per pulse shown: time (ms), sequence, time counter, latency\n"
           "  --auto-answer yes|no show no message boxes: print them on standard error and answer\n"
           "                       every question this way (unattended runs). At start-up yes goes\n"
           "                       online and, when the controller does not answer, tries again\n"
           "                       every second until it does or --quit-after ends the run; no\n"
           "                       works offline unless --online or --simulate is given, and then ends\n"
           "                       the run when the controller does not answer. A run that ends\n"
           "                       without reaching the controller exits with status 1\n"
           "  --on-connect-failure retry|offline|exit\n"
           "                       when the controller does not answer at start-up, do this instead\n"
           "                       of asking (retry: every second, until --quit-after)\n"
           "  --help               show this text\n"
           "  --version            show the program version\n";
}

} // namespace veltrane
