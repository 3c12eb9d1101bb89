// pfpd-sim: the PFPD controller emulator on a pseudo-terminal.
#include "sim/SimOptions.h"
#include "sim/SimulatorSession.h"

#include <csignal>
#include <cstdio>
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
        std::fprintf(stderr, "pfpd-sim: %s\n", error.c_str());
        return 2;
    }
    if (commandLine.help) {
        std::fputs(SimHelpText().c_str(), stdout);
        return 0;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2}) {
        sigaction(signal, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);

    std::unique_ptr<SimulatorSession> session =
        SimulatorSession::Start(commandLine.emulator, error, commandLine.linkPath);
    if (!session) {
        std::fprintf(stderr, "pfpd-sim: %s\n", error.c_str());
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
    session.reset();
    if (commandLine.emulator.verbose) {
        std::fprintf(stderr, "pfpd-sim: %llu pulses fired, %llu sent, %llu requests, %llu bytes\n",
                     static_cast<unsigned long long>(stats.pulsesFired),
                     static_cast<unsigned long long>(stats.pulsesSent),
                     static_cast<unsigned long long>(stats.requests),
                     static_cast<unsigned long long>(stats.bytesSent));
    }
    return 0;
}
