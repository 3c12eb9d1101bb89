#include "app/CommandLine.h"

#include "platform/NumberText.h"
#include "platform/Options.h"

#include <functional>

namespace veltrane {

namespace {} // namespace

std::optional<CommandLineOptions> ParseCommandLine(const std::vector<std::string>& arguments,
                                                   std::string& error) {
    CommandLineOptions options;
    // A value that passes check, else the option's own message.
    const auto checked = [](const char* refusal, std::function<bool(const std::string&)> check) {
        return [refusal, check = std::move(check)](const std::string& value, std::string& why) {
            if (!check(value)) {
                why = refusal;
                return false;
            }
            return true;
        };
    };
    const auto text = [](std::string& target) {
        return [&target](const std::string& value, std::string&) {
            target = value;
            return true;
        };
    };
    const auto seconds = [&](const char* refusal, double& target) {
        return checked(refusal, [&target](const std::string& value) {
            return ParseDouble(value, target) && target > 0;
        });
    };
    OptionTable table;
    table.inlineValues = true;
    table.options = {
        Flag({"--simulate"}, [&] { options.simulate = true; }),
        Flag({"--online"}, [&] { options.session = SessionChoice::Online; }),
        Flag({"--offline"}, [&] { options.session = SessionChoice::Offline; }),
        Flag({"--help", "-h"}, [&] { options.help = true; }),
        Flag({"--version"}, [&] { options.version = true; }),
        Flag({"--stats"}, [&] { options.stats = true; }),
        Flag({"--early-pulse-request"}, [&] { options.earlyPulseRequest = true; }),
        Valued({"--device"}, text(options.devicePath)),
        Valued({"--port"}, checked("--port needs a port number of 1 or more",
                                   [&](const std::string& value) {
                                       int port = 0;
                                       if (!ParseWholeNumber(value, port) || port < 1) {
                                           return false;
                                       }
                                       options.port = port;
                                       return true;
                                   })),
        Valued({"--trace-serial"}, text(options.traceFile)),
        Valued({"--quit-after"}, seconds("--quit-after needs a number of seconds", options.quitAfterSeconds)),
        Valued({"--simulate-rate"},
               seconds("--simulate-rate needs pulses per second", options.simulateRateHz)),
        Valued({"--simulate-runs"},
               seconds("--simulate-runs needs a number of seconds", options.simulateRunSeconds)),
        Valued({"--simulate-hangup"},
               checked("--simulate-hangup needs START:LENGTH in seconds",
                       [&](const std::string& value) {
                           const auto colon = value.find(':');
                           return colon != std::string::npos &&
                                  ParseDouble(value.substr(0, colon), options.simulateHangupStart) &&
                                  ParseDouble(value.substr(colon + 1), options.simulateHangupLength) &&
                                  options.simulateHangupStart >= 0 && options.simulateHangupLength > 0;
                       })),
        Valued({"--simulate-line"}, checked("--simulate-line needs pipe or pty",
                                            [&](const std::string& value) {
#ifdef _WIN32
                                                options.simulateOnPipe = true;
                                                return value == "pipe";
#else
                                                options.simulateOnPipe = value == "pipe";
                                                return value == "pipe" || value == "pty";
#endif
                                            })),
        Valued({"--screenshot"}, text(options.screenshotFile)),
        Valued({"--profile"}, text(options.profileFile)),
        Valued({"--workdir"}, text(options.workingDirectory)),
        Valued({"--record"}, text(options.recordFile)),
        Valued({"--print-report"}, text(options.printReportFile)),
        Valued({"--pulse-log"}, text(options.pulseLogFile)),
        Valued({"--auto-answer"}, checked("--auto-answer needs yes or no",
                                          [&](const std::string& value) {
                                              if (value != "yes" && value != "no") {
                                                  return false;
                                              }
                                              options.autoAnswer = value == "yes";
                                              return true;
                                          })),
        Valued({"--on-connect-failure"},
               checked("--on-connect-failure needs retry, offline or exit",
                       [&](const std::string& value) {
                           static const std::pair<const char*, ConnectFailure> kChoices[] = {
                               {"retry", ConnectFailure::Retry},
                               {"offline", ConnectFailure::Offline},
                               {"exit", ConnectFailure::Exit}};
                           for (const auto& [name, choice] : kChoices) {
                               if (value == name) {
                                   options.onConnectFailure = choice;
                                   return true;
                               }
                           }
                           return false;
                       })),
        Valued({"--pdf"}, text(options.pdfFile)),
    };
    table.operand = [&](const std::string& argument, std::string& why) {
        if (argument == "-") {
            why = UnknownOptionText(argument);
            return false;
        }
        if (!options.documentFile.empty()) {
            why = "unexpected argument " + argument + " (one configuration file at most)";
            return false;
        }
        options.documentFile = argument;
        return true;
    };
    if (!ParseOptions(arguments, table, error)) {
        return std::nullopt;
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
           "  --simulate-line pipe|pty\n"
           "                       the emulator's line: a pipe inside the program, or a pseudo-terminal\n"
           "                       the program opens as a device (the default; Windows has only pipe)\n"
           "  --device PATH        serial device of the controller (e.g. /dev/ttyUSB0)\n"
           "  --port N             numbered port (profile \"Com\"/\"Device<N>\", else /dev/ttyS<N-1>)\n"
           "  --trace-serial FILE  write every frame sent and received to FILE\n"
           "  --early-pulse-request\n"
           "                       request the next pulse as soon as a pulse reply begins to arrive,\n"
           "                       for this run (full-duplex lines only; the Communications setting)\n"
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
