#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace veltrane {

// Something the controller did on its line, timed for latency and recovery figures. Times are
// on the steady clock (CLOCK_MONOTONIC on Linux), so they compare with another process's on the
// same machine.
struct LineEvent {
    enum class Kind {
        PulseSent,  // the last byte of a pulse reply went onto the line (damaged or not)
        FaultBegan, // a silence, a hang-up or an ignored request started
        FaultEnded  // the fault is over: the damaged frame or injected NAK is out, the line is back
    };
    Kind kind = Kind::PulseSent;
    std::string_view what; // "pulse" or one of the fault words below; static text, always valid
    int sequence = -1;     // the pulse's sequence byte (also on the end of a damaged pulse reply), else -1
    std::chrono::steady_clock::time_point at;
};

// Called on the emulator's own thread with no emulator lock held, so it may call the
// emulator's accessors. It delays the line while it runs: keep it short and never throw.
using LineObserver = std::function<void(const LineEvent&)>;

namespace line_fault {
inline constexpr std::string_view kPulse = "pulse";
inline constexpr std::string_view kFlip = "flip";
inline constexpr std::string_view kDrop = "drop";
inline constexpr std::string_view kDuplicate = "duplicate";
inline constexpr std::string_view kCrc = "crc";
inline constexpr std::string_view kPause = "pause";
inline constexpr std::string_view kLate = "late";   // a whole reply held back
inline constexpr std::string_view kTwice = "twice"; // a whole reply sent twice
inline constexpr std::string_view kNak = "nak";
inline constexpr std::string_view kIgnore = "ignore";
inline constexpr std::string_view kSilence = "silence";
inline constexpr std::string_view kHangUp = "hangup";
inline constexpr std::string_view kDrip = "drip";            // a frame that trickles on and never ends
inline constexpr std::string_view kNoise = "noise";          // random bytes at the line rate
inline constexpr std::string_view kWrongBaud = "wrong-baud"; // replies sent at another rate
} // namespace line_fault

// "pulse", "fault-begin" or "fault-end".
std::string_view LineEventKindName(LineEvent::Kind kind);

// One line of pfpd-sim's event log, newline included: "<ms> <kind> <what> <sequence>", ms being
// the steady clock's time since its epoch with three decimals, e.g. "1234567.891 pulse pulse 17".
std::string FormatLineEvent(const LineEvent& event);

} // namespace veltrane
