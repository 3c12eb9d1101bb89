// pfpd-sim: the PFPD controller emulator on a pseudo-terminal.
//
// --event-log FILE writes what happens on the line, one line per event, each written out at
// once so the file is complete up to the moment of a kill:
//     <ms> <kind> <what> <sequence>
// ms: the steady clock (CLOCK_MONOTONIC) since its epoch in milliseconds, three decimals, so
// the times compare with another process's on the same machine. kind: "pulse" when the last
// byte of a pulse reply is on the line (damaged or not), "fault-begin", "fault-end". what:
// "pulse"; "flip", "drop", "duplicate", "crc", "pause", "late", "twice" for a damaged frame
// (ended by its last byte); "nak" for an injected NAK (ended by its last byte); "ignore" for an
// unanswered request (begins and ends at once); "silence", "hangup" (end when the line is back).
// sequence: the pulse's sequence byte, also on the end of a damaged pulse reply; else -1.
//     1234567.891 pulse pulse 17
//     1234570.002 fault-end flip -1
#include "platform/Version.h"
#include "sim/LineEvent.h"
#include "sim/SimOptions.h"
#include "sim/SimulatorSession.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;
volatile std::sig_atomic_t runRequested = 0;
volatile std::sig_atomic_t protectionRequested = 0;

extern "C" void OnSignal(int signal) {
    if (signal == SIGUSR1) {
        runRequested = 1;
    } else if (signal == SIGUSR2) {
        protectionRequested = 1;
    } else {
        stopRequested = 1;
    }
}

} // namespace

int main(int argc, char** argv) {
    using namespace veltrane;
    SimCommandLine commandLine;
    std::string error;
    if (!ParseSimCommandLine(std::vector<std::string>(argv + 1, argv + argc), commandLine, error)) {
        std::fputs(ArgumentErrorLine("pfpd-sim", error).c_str(), stderr);
        return 2;
    }
    if (commandLine.help) {
        std::fputs(SimHelpText().c_str(), stdout);
        return 0;
    }
    if (commandLine.version) {
        std::fputs(VersionLine("pfpd-sim").c_str(), stdout);
        return 0;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2}) {
        sigaction(signal, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);

    int eventLog = -1;
    if (!commandLine.eventLogPath.empty()) {
        eventLog = ::open(commandLine.eventLogPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (eventLog < 0) {
            std::fprintf(stderr, "pfpd-sim: cannot open %s: %s\n", commandLine.eventLogPath.c_str(),
                         std::strerror(errno));
            return 1;
        }
        // One write per line: nothing waits in a buffer for a kill to lose.
        commandLine.emulator.observer = [eventLog](const LineEvent& event) {
            const std::string line = FormatLineEvent(event);
            [[maybe_unused]] const ssize_t written = ::write(eventLog, line.data(), line.size());
        };
    }

    std::unique_ptr<SimulatorSession> session =
        SimulatorSession::Start(commandLine.emulator, error, commandLine.linkPath);
    if (!session) {
        std::fprintf(stderr, "pfpd-sim: %s\n", error.c_str());
        if (eventLog >= 0) {
            ::close(eventLog);
        }
        return 1;
    }
    std::printf("%s\n", session->DevicePath().c_str());
    std::fflush(stdout);
    while (!stopRequested) {
        ::usleep(20'000);
        if (runRequested) {
            runRequested = 0;
            if (!session->Emulator().StartGcRun()) {
                std::fprintf(stderr, "pfpd-sim: GC not ready, run not started\n");
            }
        }
        if (protectionRequested) {
            protectionRequested = 0;
            session->Emulator().RaisePmtProtection(5.0);
        }
    }
    const EmulatorStats stats = session->Emulator().Stats();
    session.reset(); // the emulator thread, the only writer of the event log, has stopped
    if (eventLog >= 0) {
        ::close(eventLog);
    }
    if (commandLine.emulator.verbose) {
        std::fprintf(stderr, "pfpd-sim: %llu pulses fired, %llu sent, %llu requests, %llu bytes\n",
                     static_cast<unsigned long long>(stats.pulsesFired),
                     static_cast<unsigned long long>(stats.pulsesSent),
                     static_cast<unsigned long long>(stats.requests),
                     static_cast<unsigned long long>(stats.bytesSent));
    }
    return 0;
}
