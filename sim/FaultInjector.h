#pragma once

#include "sim/LineEvent.h"

#include <cstdint>
#include <random>
#include <string_view>
#include <vector>

namespace veltrane {

struct FaultOptions {
    std::uint64_t seed = 1;
    double dropRate = 0.0;       // per byte sent
    double duplicateRate = 0.0;  // per byte sent
    double flipRate = 0.0;       // per byte sent: one bit inverted
    double crcRate = 0.0;        // per reply frame: CRC damaged
    double nakRate = 0.0;        // per request: refused with a NAK
    double ignoreRate = 0.0;     // per request: no answer at all
    double pauseRate = 0.0;      // per reply frame: the line stops inside the frame
    int pauseMs = 120;           // longer than the program's 50 ms read time-out
    double replyTwiceRate = 0.0; // per reply frame: the whole frame is sent again right behind it
    double lateRate = 0.0;       // per reply frame: it goes out only after lateMs
    int lateMs = 150;            // longer than the program's 50 ms read time-out
    double silenceStart = -1.0;  // seconds after start; negative: none
    double silenceLength = 0.0;
    double hangupStart = -1.0; // seconds after start; negative: none
    double hangupLength = 0.0;
};

// Bytes to put on the line, after a pause. The last chunk of a frame or NAK says what its last
// byte ends, for the line's observer.
struct OutChunk {
    std::vector<std::uint8_t> bytes;
    int pauseBeforeMs = 0;
    int pulseSequence = -1; // ends a pulse reply with this sequence byte
    std::string_view fault; // ends a frame or NAK damaged this way (a line_fault word); empty: none
};

// Damages the controller's side of the conversation on purpose. Every decision comes from one
// generator seeded by the options, so the same requests give the same faults run after run.
class FaultInjector {
public:
    enum class RequestFate {
        Answer,
        Nak,
        Ignore
    };

    explicit FaultInjector(FaultOptions options) : options_(options), rng_(options.seed) {}

    RequestFate DecideRequest();
    // A built frame (or NAK) on its way out, as chunks for the line; never none. When it was
    // damaged, the last chunk's fault names the first damage done (CRC, pause, then the earliest
    // damaged byte, then lateness and a second copy).
    std::vector<OutChunk> Apply(std::vector<std::uint8_t> bytes, bool isFrame);

    bool Silent(double now) const { return Within(now, options_.silenceStart, options_.silenceLength); }
    bool HungUp(double now) const { return Within(now, options_.hangupStart, options_.hangupLength); }
    // Seconds from now until a silence or hang-up next starts or ends; negative: none is ahead.
    double NextChange(double now) const;
    const FaultOptions& Options() const { return options_; }

private:
    static bool Within(double now, double start, double length) {
        return start >= 0.0 && now >= start && now < start + length;
    }
    bool Chance(double rate);

    FaultOptions options_;
    std::mt19937_64 rng_;
};

} // namespace veltrane
