// Pulse frames per second the emulator delivers at each baud, against what the line can carry.
// A bare client asks for the next pulse the moment the previous reply is complete, so the
// figure is the emulator's and the line's, not the program's polling.
//   sim_line_rate [--seconds S] [--rate HZ] [--device PATH]
// With --device it measures one already running emulator (e.g. pfpd-sim under /usr/bin/time).
#include "../../tests/sim/SimClient.h"
#include "sim/SimulatorSession.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace veltrane;
using namespace veltrane::testing;

namespace {

struct Result {
    int pulses = 0;
    int gaps = 0;
    double bytesOnLine = 0;
    double seconds = 0;
};

Result Measure(const std::string& path, double seconds) {
    SimClient client(path);
    Result result;
    if (!client.IsOpen()) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return result;
    }
    const auto start = std::chrono::steady_clock::now();
    int lastSequence = -1;
    client.Send(60);
    while (true) {
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (elapsed >= seconds) {
            result.seconds = elapsed;
            break;
        }
        const auto reply = client.Read(1000);
        if (!reply || reply->nak || reply->Length() != 517) {
            client.Send(60);
            continue;
        }
        client.Send(60);
        const int sequence = reply->Data()[0];
        if (lastSequence >= 0 && sequence != ((lastSequence + 1) & 0xFF)) {
            ++result.gaps;
        }
        lastSequence = sequence;
        ++result.pulses;
        result.bytesOnLine += static_cast<double>(reply->raw.size());
    }
    return result;
}

} // namespace

int main(int argc, char** argv) {
    double seconds = 5.0;
    double rate = 50.0;
    std::string device;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--seconds")) {
            seconds = std::atof(argv[i + 1]);
        } else if (!std::strcmp(argv[i], "--rate")) {
            rate = std::atof(argv[i + 1]);
        } else if (!std::strcmp(argv[i], "--device")) {
            device = argv[i + 1];
        }
    }
    if (!device.empty()) {
        const Result r = Measure(device, seconds);
        std::printf("%d pulses in %.2f s: %.2f per second, %d sequence gaps\n", r.pulses, r.seconds,
                    r.pulses / r.seconds, r.gaps);
        return 0;
    }
    std::printf("pulses fired at %.1f Hz; a new request goes out as soon as a reply is complete\n", rate);
    std::printf("%8s %14s %16s %12s %10s\n", "baud", "line limit/s", "achieved/s", "bytes/pulse", "skipped");
    for (int baud : {4800, 9600, 19200, 38400}) {
        EmulatorOptions options;
        options.baud = baud;
        options.rateHz = rate;
        options.gc.warmupSeconds = 0.0;
        std::string error;
        auto session = SimulatorSession::Start(options, error);
        if (!session) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        const Result r = Measure(session->DevicePath(), seconds);
        const double bytesPerPulse = r.pulses ? r.bytesOnLine / r.pulses : 517.0;
        const double limit = baud / 10.0 / bytesPerPulse;
        std::printf("%8d %14.2f %16.2f %12.1f %10d\n", baud, limit, r.pulses / r.seconds, bytesPerPulse,
                    r.gaps);
    }
    return 0;
}
