// Drives a controller (or the emulator) on a real serial port through the program's own link:
// exclusive open, identification, Receive ALL and Transmit ALL, a stretch of pulses counted for sequence
// gaps, and an unplug with recovery. Built for Linux and for Windows, so the same run compares them.
//
//   veltrane-com-check DEVICE SECONDS [UNPLUG_SECONDS]
//
// Prints one "key: value" line per result and "unplug now" when the far end should go away
// (UNPLUG_SECONDS 0 skips that step). DEVICE "pipe" runs the emulator in this process on its
// in-process line, as --simulate does on Windows, and pulls its plug itself. Exit status 0 when
// every step passed.
#include "config/ConfigurationModel.h"
#include "config/RunLog.h"
#include "device/DeviceLink.h"
#include "device/PortDiagnosis.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"
#include "sim/SimulatorSession.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

using namespace veltrane;

namespace {

constexpr int kBaud = 38400;
constexpr int kReadTimeoutMs = 50; // the program's own

using Steady = std::chrono::steady_clock;

double SecondsSince(Steady::time_point start) {
    return std::chrono::duration<double>(Steady::now() - start).count();
}

void Sleep(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// User and system time of this process so far.
double CpuSeconds() {
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) {
        return 0.0;
    }
    const auto ticks = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) / 1e7;
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
#endif
}

// Wine lets a second handle open a COM port; Windows itself refuses it.
bool UnderWine() {
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

bool Step(const char* name, bool passed) {
    std::printf("%s: %s\n", name, passed ? "ok" : "FAILED");
    std::fflush(stdout);
    return passed;
}

// The line is ours alone while we hold it.
bool SecondOpenRefused(const std::string& device) {
    SerialPort second;
    const bool refused = !second.OpenDevice(device, kBaud) && second.LastError() == PortError::Busy;
    std::printf("second open: %s\n",
                DescribeOpenFailure(device, second.LastError(), second.LastErrno()).c_str());
    if (UnderWine()) {
        std::printf("second open refused: %s (not enforced under Wine)\n", refused ? "yes" : "no");
        return true;
    }
    return Step("second open refused", refused);
}

bool Open(DeviceLink& link, const std::string& device) {
    return link.OpenDevice(device, kBaud) && link.SetTimeouts(kReadTimeoutMs);
}

// Settings unlike the controller's factory ones, transmitted and read back.
bool TransmitAndReceiveAll(DeviceLink& link, ConfigurationModel& config, ConfigurationModel& back) {
    config.SetPmtVoltage(static_cast<std::int16_t>(config.GetPmtVoltage() == 640 ? 620 : 640));
    config.SetRange(static_cast<std::int16_t>(config.GetRange() == 3 ? 2 : 3));
    if (!Step("transmit all", link.TransmitAllSettings(config)) ||
        !Step("receive all again", link.ReceiveAllSettings(back))) {
        return false;
    }
    return Step("settings read back", back.GetPmtVoltage() == config.GetPmtVoltage() &&
                                          back.GetRange() == config.GetRange() &&
                                          back.GateModeCount() == config.GateModeCount());
}

// The live cycle's way: read a pulse, then ask for the next one at once.
bool CountPulses(DeviceLink& link, double seconds) {
    const double cpuBefore = CpuSeconds();
    const Steady::time_point start = Steady::now();
    int pulses = 0;
    int gaps = 0;
    int last = -1;
    link.RequestPulse();
    while (SecondsSince(start) < seconds) {
        PulseRecord record;
        if (link.ReadPulse(record)) {
            link.RequestPulse();
            if (last >= 0 && static_cast<std::uint8_t>(last + 1) != record.sequence) {
                ++gaps;
            }
            last = record.sequence;
            ++pulses;
        }
        Sleep(10);
    }
    const double elapsed = SecondsSince(start);
    std::printf("pulses: %d in %.1f s (%.2f per second)\n", pulses, elapsed, pulses / elapsed);
    std::printf("gaps: %d\n", gaps);
    std::printf("cpu seconds: %.2f (%.1f %% of one core)\n", CpuSeconds() - cpuBefore,
                100.0 * (CpuSeconds() - cpuBefore) / elapsed);
    return Step("pulse stream", pulses >= static_cast<int>(seconds * 2.5) && gaps == 0);
}

// The far end goes away: the link must notice, then open the device again once it is back.
bool UnplugAndRecover(DeviceLink& link, const std::string& device, double limitSeconds) {
    std::printf("unplug now\n");
    std::fflush(stdout);
    const Steady::time_point start = Steady::now();
    std::string id;
    while (!link.IsLost() && SecondsSince(start) < limitSeconds) {
        link.ReadControllerId(id);
        Sleep(100);
    }
    if (!Step("unplug seen", link.IsLost())) {
        return false;
    }
    std::printf("lost after: %.1f s\n", SecondsSince(start));
    bool back = false;
    while (!back && SecondsSince(start) < limitSeconds) {
        Sleep(250);
        back = Open(link, device) && link.ReadControllerId(id);
    }
    std::printf("back after: %.1f s\n", SecondsSince(start));
    return Step("recovered", back);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s DEVICE SECONDS [UNPLUG_SECONDS]\n", argv[0]);
        return 2;
    }
    const std::string device = argv[1];
    const double seconds = std::atof(argv[2]);
    const double unplugLimit = argc > 3 ? std::atof(argv[3]) : 30.0;

    ConsolePrompts prompts;
    const std::filesystem::path logs = std::filesystem::temp_directory_path() / "veltrane-com-check";
    std::filesystem::create_directories(logs);
    RunLog runLog((logs / "run.log").string(), SystemClock::Instance(), prompts);
    ConfigurationModel config(prompts, runLog);
    ConfigurationModel back(prompts, runLog);
    DeviceLink link(prompts);

    std::unique_ptr<SimulatorSession> session;
    if (device == "pipe") {
        EmulatorOptions options;
        options.gc.warmupSeconds = 0.0;
        // The plug is pulled once the pulses have been counted (the steps before them take seconds).
        options.faults.hangupStart = seconds + 3.0;
        options.faults.hangupLength = 2.0;
        std::string error;
        session = SimulatorSession::Start(options, error, {}, SimulatedLine::Pipe);
        if (!session) {
            std::fprintf(stderr, "the emulator did not start: %s\n", error.c_str());
            return 1;
        }
        session->Connect(link);
    }
    if (!Step("open", Open(link, device))) {
        return 1;
    }
    std::string id;
    const bool identified = link.ReadControllerId(id);
    std::printf("identification: %s\n", id.c_str());
    bool passed = true;
    if (!session) { // nothing else can open the in-process line
        passed = SecondOpenRefused(device);
    }
    passed = passed && Step("identify", identified) && Step("receive all", link.ReceiveAllSettings(config)) &&
             TransmitAndReceiveAll(link, config, back);
    passed = CountPulses(link, seconds) && passed;
    if (unplugLimit > 0) {
        passed = UnplugAndRecover(link, device, unplugLimit) && passed;
    }
    std::printf("result: %s\n", passed ? "passed" : "FAILED");
    return passed ? 0 : 1;
}
