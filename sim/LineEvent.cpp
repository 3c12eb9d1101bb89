#include "sim/LineEvent.h"

#include <algorithm>
#include <cstdio>

namespace veltrane {

std::string_view LineEventKindName(LineEvent::Kind kind) {
    switch (kind) {
    case LineEvent::Kind::PulseSent:
        return "pulse";
    case LineEvent::Kind::FaultBegan:
        return "fault-begin";
    case LineEvent::Kind::FaultEnded:
        return "fault-end";
    }
    return "unknown";
}

std::string FormatLineEvent(const LineEvent& event) {
    // Whole microseconds in integers: a double would round a large uptime's last digits.
    const long long micros =
        std::chrono::duration_cast<std::chrono::microseconds>(event.at.time_since_epoch()).count();
    const std::string_view kind = LineEventKindName(event.kind);
    char line[128];
    const int n = std::snprintf(line, sizeof line, "%lld.%03lld %.*s %.*s %d\n", micros / 1000, micros % 1000,
                                static_cast<int>(kind.size()), kind.data(),
                                static_cast<int>(event.what.size()), event.what.data(), event.sequence);
    return std::string(line, n > 0 ? std::min<std::size_t>(static_cast<std::size_t>(n), sizeof line - 1) : 0);
}

} // namespace veltrane
