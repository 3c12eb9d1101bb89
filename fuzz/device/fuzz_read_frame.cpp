// Arbitrary line input to the frame reader. The first byte chooses how the stream is cut
// into reads, so resynchronisation, the look-ahead refills and the move to the front are
// all reached with short and long pieces; its top bit makes the line endless (the input
// sent again and again, as a babbling line would). The second byte is the command sent; its
// top bit reads in the waiting mode (a byte at a time here, as nothing reports bytes waiting)
// where the frames are not taken by the reply wait.
//
// Time is the line's: each byte delivered costs its time at the line rate and a read that
// finds nothing costs the time-out, so every frame read must end within its deadline and one
// more read however long the input runs.
#include "device/FramedLink.h"
#include "platform/Clock.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

constexpr int kBaud = 38400; // what the link assumes with no rate set
constexpr int kReadTimeoutMs = 50;
constexpr std::int64_t kByteUs = 10 * 1'000'000 / kBaud;
// One read returns what arrives within the time-out, at most.
constexpr std::size_t kReadBytes = kReadTimeoutMs * 1000 / kByteUs;

class LineClock : public veltrane::Clock {
public:
    std::int64_t NowMs() const override { return us / 1000; }
    veltrane::LocalDateTime LocalNow() const override { return {}; }
    std::int64_t us = 0;
};

class MemoryLink : public veltrane::FramedLink {
public:
    MemoryLink(const std::uint8_t* data, std::size_t size, std::uint8_t cut, LineClock& clock)
        : data_(data), size_(size), cut_(cut & 0x7F), endless_((cut & 0x80) != 0), clock_(clock) {
        SetClock(clock);
    }

    bool IsOpen() const override { return true; }
    int Read(int count, std::uint8_t* buffer) override {
        if (endless_ && at_ >= size_) {
            at_ = 0;
        }
        if (count <= 0 || at_ >= size_) {
            clock_.us += kReadTimeoutMs * 1000;
            return 0;
        }
        // Piece sizes 1..64 or whole reads, by the selector and the position.
        std::size_t piece = cut_ < 64 ? static_cast<std::size_t>(cut_) + 1 + (at_ % 7) : size_;
        piece = std::min({piece, size_ - at_, static_cast<std::size_t>(count), kReadBytes});
        std::memcpy(buffer, data_ + at_, piece);
        at_ += piece;
        clock_.us += static_cast<std::int64_t>(piece) * kByteUs;
        return static_cast<int>(piece);
    }
    bool Write(const std::uint8_t*, int count, int* written) override {
        if (written != nullptr) {
            *written = count;
        }
        return true;
    }
    bool Exhausted() const { return !endless_ && at_ >= size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::uint8_t cut_;
    bool endless_;
    LineClock& clock_;
    std::size_t at_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    LineClock clock;
    MemoryLink link(data + 2, size - 2, data[0], clock);
    link.SendFrame(data[1] & 0x7F, nullptr, 0);
    const auto mode = (data[1] & 0x80) != 0 ? veltrane::ReadMode::Waiting : veltrane::ReadMode::UntilQuiet;
    // The deadline, one more read, and the millisecond the clock rounds away; the reply wait
    // has a deadline of its own, which its frame reads must keep to as well.
    const std::int64_t longestRead = link.FrameTimeMs() + kReadTimeoutMs + 1;
    const std::int64_t longestWait =
        link.LineTimeMs(2 * veltrane::FramedLink::kAreaSize) + link.Timeout() + kReadTimeoutMs + 1;
    // Read frames until the stream is used up, every other one by the reply wait; every frame
    // taken must be consistent.
    for (int frames = 0; frames < 64 && !link.Exhausted(); ++frames) {
        const std::int64_t start = clock.NowMs();
        const bool await = frames % 2 == 1;
        const bool ok = await ? link.AwaitReply() : link.ReadReply(mode);
        if (clock.NowMs() - start > (await ? longestWait : longestRead)) {
            __builtin_trap();
        }
        const int length = link.ReceivedLength();
        if (length < 0 || length > veltrane::FramedLink::kAreaSize) {
            __builtin_trap();
        }
        if (link.LastFrameResult() == veltrane::FrameResult::Good && length < 5) {
            __builtin_trap();
        }
        if (ok) {
            link.ResetCursor();
            for (int k = 0; k < link.DataLength() + 8; ++k) {
                link.NextU8();
            }
        }
    }
    return 0;
}
