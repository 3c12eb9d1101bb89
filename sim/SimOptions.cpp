#include "sim/SimOptions.h"

#include "platform/NumberText.h"
#include "platform/Options.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>

namespace veltrane {

namespace {

bool ToRate(const std::string& text, double& value) {
    return ParseDouble(text, value) && value >= 0.0 && value <= 1.0;
}

bool ToPair(const std::string& text, double& first, double& second) {
    const auto comma = text.find(',');
    return comma != std::string::npos && ParseDouble(text.substr(0, comma), first) &&
           ParseDouble(text.substr(comma + 1), second) && first >= 0.0 && second >= 0.0;
}

// "A,B[,C[,D]]": the first two are a start and a length in seconds; the optional ones go to extras
// (left as they are when not given).
bool ToList(const std::string& text, double& start, double& length, std::vector<double*> extras) {
    std::vector<double> values;
    std::size_t from = 0;
    for (;;) {
        const auto comma = text.find(',', from);
        double value = 0;
        if (!ParseDouble(text.substr(from, comma - from), value) || value < 0.0) {
            return false;
        }
        values.push_back(value);
        if (comma == std::string::npos) {
            break;
        }
        from = comma + 1;
    }
    if (values.size() < 2 || values.size() > 2 + extras.size()) {
        return false;
    }
    start = values[0];
    length = values[1];
    for (std::size_t i = 2; i < values.size(); ++i) {
        *extras[i - 2] = values[i];
    }
    return true;
}

bool ToMilliseconds(const std::string& text, int& value) {
    double ms = 0;
    if (!ParseDouble(text, ms) || ms < 0 || ms > 60000) {
        return false;
    }
    value = static_cast<int>(ms);
    return true;
}

} // namespace

std::string SimHelpText() {
    return "Usage: pfpd-sim [options]\n"
           "Emulates the PFPD controller on a pseudo-terminal. The first line printed is the\n"
           "device path to open; the emulator serves it until interrupted (SIGINT, SIGTERM).\n"
           "SIGUSR1 starts a GC run; SIGUSR2 raises PMT protection for 5 s.\n"
           "\n"
           "  --rate HZ               pulses per second (default 3.3)\n"
           "  --jitter FRACTION       spread of the pulse interval (default 0.03)\n"
           "  --baud N                line rate the replies are paced at, 10 bits a byte (default 38400)\n"
           "  --fast                  no pacing: bytes leave as fast as the pseudo-terminal takes them\n"
           "  --seed N                seed of noise, jitter and faults (default 1)\n"
           "  --eeprom PATH           EEPROM image file (default " +
           std::string("$XDG_STATE_HOME or ~/.local/state, veltrane/pfpd-sim.eeprom") +
           ")\n"
           "  --no-eeprom             keep the settings in memory only\n"
           "  --link PATH             also make PATH a link to the device (kept across hang-ups)\n"
           "  --warmup SECONDS        NOT READY after start for this long (default 3)\n"
           "  --run-every SECONDS     start a GC run this often (default 0: only on SIGUSR1)\n"
           "  --run-length SECONDS    length of a GC run (default 60)\n"
           "  --pmt-episode START,LENGTH  PMT protection from START for LENGTH seconds\n"
           "  --drop-rate P           probability of dropping each byte sent\n"
           "  --dup-rate P            probability of sending a byte twice\n"
           "  --flip-rate P           probability of inverting one bit of a byte\n"
           "  --crc-rate P            probability of damaging a reply's CRC\n"
           "  --nak-rate P            probability of refusing a request with NAK\n"
           "  --ignore-rate P         probability of not answering a request\n"
           "  --pause-rate P          probability of a pause inside a reply frame\n"
           "  --pause-ms MS           length of such a pause (default 120)\n"
           "  --twice-rate P          probability of sending a whole reply frame twice\n"
           "  --late-rate P           probability of holding a whole reply frame back\n"
           "  --late-ms MS            how long such a reply is held back (default 150)\n"
           "  --drop-pending-pulse    any other request cancels a pulse request still waiting\n"
           "                          (default: it is answered on the next pulse, in between\n"
           "                          or right after the other replies, as a real controller does)\n"
           "  --silence START,LENGTH  answer nothing from START for LENGTH seconds\n"
           "  --hangup START,LENGTH[,EVERY,COUNT]\n"
           "                          close the line from START for LENGTH seconds, then reopen it;\n"
           "                          with EVERY and COUNT, COUNT times, EVERY seconds apart\n"
           "  --drip START,LENGTH[,MS]  from START for LENGTH seconds, begin a reply frame and send\n"
           "                          one more of its bytes every MS ms (default 30), never ending it\n"
           "  --noise START,LENGTH    from START for LENGTH seconds, random bytes at the line rate\n"
           "                          (never STX or NAK, so never a frame)\n"
           "  --wrong-baud START,LENGTH[,BAUD]  from START for LENGTH seconds, send replies at BAUD\n"
           "                          (default 9600) as the program's receiver at the line rate sees\n"
           "                          them: each byte's bits are sampled at the line rate, so they come\n"
           "                          paced at BAUD and mangled, never STX or NAK, never a frame\n"
           "  (drip and noise leave requests unanswered, as a silence does)\n"
           "  --event-log FILE        write one line per line event to FILE, flushed at once:\n"
           "                          <ms> <kind> <what> <sequence>, ms being CLOCK_MONOTONIC in\n"
           "                          milliseconds with 3 decimals, kind pulse, fault-begin or\n"
           "                          fault-end; what is pulse, flip, drop, duplicate, crc, pause,\n"
           "                          late, twice, nak, ignore, silence, hangup, drip, noise or\n"
           "                          wrong-baud; sequence is the pulse's sequence byte, else -1.\n"
           "                          A pulse is logged when the last byte of its reply is on the\n"
           "                          line, a damaged frame or injected NAK ends with its last\n"
           "                          byte, a scheduled fault (silence, hang-up, drip, noise, wrong\n"
           "                          rate) when it is over. E.g. \"1234567.891 pulse pulse 17\"\n"
           "  --verbose               one line per request on stderr\n"
           "  --help                  this text\n"
           "  --version               the program's version\n";
}

std::string DefaultEepromPath() {
    std::filesystem::path base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state) {
        base = state;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::filesystem::path(home) / ".local" / "state";
    } else {
        base = std::filesystem::temp_directory_path();
    }
    const std::filesystem::path folder = base / "veltrane";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    return (folder / "pfpd-sim.eeprom").string();
}

bool ParseSimCommandLine(const std::vector<std::string>& args, SimCommandLine& out, std::string& error) {
    EmulatorOptions& e = out.emulator;
    FaultOptions& f = e.faults;
    bool eepromGiven = false;
    using Setter = std::function<bool(const std::string&)>;
    const std::map<std::string, Setter> valued = {
        {"--rate", [&](const std::string& v) { return ParseDouble(v, e.rateHz) && e.rateHz > 0.0; }},
        {"--jitter", [&](const std::string& v) { return ToRate(v, e.jitter); }},
        {"--baud",
         [&](const std::string& v) {
             double baud = 0;
             if (!ParseDouble(v, baud) || baud < 50 || baud > 4'000'000) {
                 return false;
             }
             e.baud = static_cast<int>(baud);
             return true;
         }},
        {"--seed",
         [&](const std::string& v) {
             std::uint64_t seed = 0;
             if (!ParseWholeNumber(v, seed)) {
                 return false;
             }
             e.seed = seed;
             f.seed = seed;
             return true;
         }},
        {"--eeprom",
         [&](const std::string& v) {
             e.eepromPath = v;
             eepromGiven = true;
             return !v.empty();
         }},
        {"--link",
         [&](const std::string& v) {
             out.linkPath = v;
             return !v.empty();
         }},
        {"--warmup",
         [&](const std::string& v) { return ParseDouble(v, e.gc.warmupSeconds) && e.gc.warmupSeconds >= 0; }},
        {"--run-every",
         [&](const std::string& v) {
             return ParseDouble(v, e.gc.runEverySeconds) && e.gc.runEverySeconds >= 0;
         }},
        {"--run-length",
         [&](const std::string& v) {
             return ParseDouble(v, e.gc.runLengthSeconds) && e.gc.runLengthSeconds > 0;
         }},
        {"--pmt-episode",
         [&](const std::string& v) { return ToPair(v, e.gc.pmtEpisodeStart, e.gc.pmtEpisodeLength); }},
        {"--drop-rate", [&](const std::string& v) { return ToRate(v, f.dropRate); }},
        {"--dup-rate", [&](const std::string& v) { return ToRate(v, f.duplicateRate); }},
        {"--flip-rate", [&](const std::string& v) { return ToRate(v, f.flipRate); }},
        {"--crc-rate", [&](const std::string& v) { return ToRate(v, f.crcRate); }},
        {"--nak-rate", [&](const std::string& v) { return ToRate(v, f.nakRate); }},
        {"--ignore-rate", [&](const std::string& v) { return ToRate(v, f.ignoreRate); }},
        {"--pause-rate", [&](const std::string& v) { return ToRate(v, f.pauseRate); }},
        {"--pause-ms", [&](const std::string& v) { return ToMilliseconds(v, f.pauseMs); }},
        {"--twice-rate", [&](const std::string& v) { return ToRate(v, f.replyTwiceRate); }},
        {"--late-rate", [&](const std::string& v) { return ToRate(v, f.lateRate); }},
        {"--late-ms", [&](const std::string& v) { return ToMilliseconds(v, f.lateMs); }},
        {"--event-log",
         [&](const std::string& v) {
             out.eventLogPath = v;
             return !v.empty();
         }},
        {"--silence", [&](const std::string& v) { return ToPair(v, f.silenceStart, f.silenceLength); }},
        {"--hangup",
         [&](const std::string& v) {
             double every = 0.0;
             double count = 1.0;
             if (!ToList(v, f.hangupStart, f.hangupLength, {&every, &count}) || count < 1 || count > 1e6) {
                 return false;
             }
             f.hangupEvery = every;
             f.hangupCount = static_cast<int>(count);
             return true;
         }},
        {"--drip",
         [&](const std::string& v) {
             double ms = f.dripMs;
             if (!ToList(v, f.dripStart, f.dripLength, {&ms}) || ms < 1 || ms > 60000) {
                 return false;
             }
             f.dripMs = static_cast<int>(ms);
             return true;
         }},
        {"--noise", [&](const std::string& v) { return ToPair(v, f.noiseStart, f.noiseLength); }},
        {"--wrong-baud",
         [&](const std::string& v) {
             double baud = f.wrongBaud;
             if (!ToList(v, f.wrongBaudStart, f.wrongBaudLength, {&baud}) || baud < 50 || baud > 4'000'000) {
                 return false;
             }
             f.wrongBaud = static_cast<int>(baud);
             return true;
         }},
    };
    bool memoryOnly = false;
    OptionTable table;
    table.options = {
        Flag({"--help", "-h"}, [&] { out.help = true; }),
        Flag({"--version"}, [&] { out.version = true; }),
        Flag({"--fast"}, [&] { e.fast = true; }),
        Flag({"--verbose", "-v"}, [&] { e.verbose = true; }),
        Flag({"--drop-pending-pulse"}, [&] { e.dropPendingPulse = true; }),
        Flag({"--no-eeprom"}, [&] { memoryOnly = true; }),
    };
    for (const auto& entry : valued) {
        const auto& setter = entry.second;
        table.options.push_back(Valued(
            {entry.first}, [&setter](const std::string& value, std::string&) { return setter(value); }));
    }
    table.badValue = [](const std::string& name, const std::string& value) {
        return "bad value for " + name + ": " + value;
    };
    if (!ParseOptions(args, table, error)) {
        return false;
    }
    if (memoryOnly) {
        e.eepromPath.clear();
    } else if (!eepromGiven && !out.help) {
        e.eepromPath = DefaultEepromPath();
    }
    return true;
}

} // namespace veltrane
