#pragma once

#include <cstddef>
#include <cstdint>

namespace veltrane {

// When to read a pulse reply off the line. A pulse frame takes about 135 ms on the wire at 38400
// baud. Reading it as soon as its first byte shows would hold the window for that long on every
// pulse, and reading an empty line costs the whole read time-out on every tick; so the read waits
// until the frame is (nearly) all there, and then takes it without waiting out the quiet time
// behind it. A frame that stops short (one that lost bytes) is still taken after a modest wait,
// and a NAK as soon as the line has been quiet behind it for the read time-out.
class PulseReadPolicy {
public:
    // A pulse frame still on its way is read once it has all arrived, or after this long.
    static constexpr std::int64_t kPartialFrameWaitMs = 400;
    // A frame this close to its end (in time on the line: one tick) is read at once, waiting
    // for its last bytes: the next request then goes out as the reply ends, not up to a tick
    // later, which is what keeps pulses fired near the line limit from being missed.
    static constexpr int kEarlyReadMs = 10;
    // A few bytes and then quiet for the read time-out: a NAK (three bytes) or noise, taken
    // then rather than after the whole partial-frame wait.
    static constexpr int kShortFrameBytes = 16;
    static constexpr std::int64_t kShortFrameQuietMs = 50;

    // Bytes the line carries in kEarlyReadMs at a rate (10 bits a byte).
    static int EarlyReadBytes(int baud);

    // Whether to read now. queued: what the port says is waiting (-1 when it cannot tell, which
    // means read: the read finds out whether the line is gone); carried: bytes already taken off
    // the port and held by the link; frameLength: a whole pulse reply.
    bool ReadNow(int queued, std::size_t carried, std::size_t frameLength, int baud, std::int64_t nowMs);

private:
    void Forget();

    std::int64_t partialSinceMs_ = -1;
    std::size_t partialBytes_ = 0;       // waiting at the last look
    std::int64_t partialChangedMs_ = -1; // when that count last changed
};

} // namespace veltrane
