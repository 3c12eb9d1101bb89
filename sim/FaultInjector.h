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
    double hangupEvery = 0.0; // seconds from one hang-up's start to the next; 0: one only
    int hangupCount = 1;
    // Hostile lines, each from its start for its length; negative start: none. Requests go
    // unanswered meanwhile, and none of these ever completes a frame or a NAK.
    double dripStart = -1.0; // a frame begins and then trickles on, a byte every dripMs
    double dripLength = 0.0;
    int dripMs = 30;
    double noiseStart = -1.0; // random bytes at the full line rate
    double noiseLength = 0.0;
    // Replies are answered, but sent at wrongBaud: the program's receiver, at the line rate,
    // makes noise of them (see Misclock).
    double wrongBaudStart = -1.0;
    double wrongBaudLength = 0.0;
    int wrongBaud = 9600;
};

// What a receiver at receiverBaud takes from bytes sent back to back at senderBaud (8N1): one
// list per byte sent, holding the bytes received during its time on the line. The line level is
// followed bit by bit: a low after idle starts a byte, bits are sampled at their middles, a
// missing stop bit is not reported (a pseudo-terminal has no way to). STX and NAK never come out
// (they become 0): a line at the wrong rate gives noise, never a frame.
std::vector<std::vector<std::uint8_t>> Misclock(const std::vector<std::uint8_t>& bytes, int senderBaud,
                                                int receiverBaud);

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
    bool HungUp(double now) const;
    bool Dripping(double now) const { return Within(now, options_.dripStart, options_.dripLength); }
    bool Noisy(double now) const { return Within(now, options_.noiseStart, options_.noiseLength); }
    bool WrongBaud(double now) const {
        return Within(now, options_.wrongBaudStart, options_.wrongBaudLength);
    }
    // Random bytes for a noise burst: anything but STX and NAK.
    std::vector<std::uint8_t> Noise(std::size_t count);
    // Seconds from now until a scheduled fault (silence, hang-up, drip, noise, wrong rate) next starts or
    // ends; negative: none is ahead.
    double NextChange(double now) const;
    const FaultOptions& Options() const { return options_; }

private:
    static bool Within(double now, double start, double length) {
        return start >= 0.0 && now >= start && now < start + length;
    }
    bool Chance(double rate);
    // The hang-up that is under way or comes next (its start), or the last one.
    double HangupStartNear(double now) const;

    FaultOptions options_;
    std::mt19937_64 rng_;
};

} // namespace veltrane
