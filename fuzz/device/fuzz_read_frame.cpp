// Arbitrary line input to the frame reader. The first byte chooses how the stream is cut
// into reads, so resynchronisation, the look-ahead refills and the move to the front are
// all reached with short and long pieces. The second byte is the command sent; its top bit
// reads in the waiting mode (a byte at a time here, as nothing reports bytes waiting).
#include "device/FramedLink.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

class MemoryLink : public veltrane::FramedLink {
public:
    MemoryLink(const std::uint8_t* data, std::size_t size, std::uint8_t cut)
        : data_(data), size_(size), cut_(cut) {}

    bool IsOpen() const override { return true; }
    int Read(int count, std::uint8_t* buffer) override {
        if (count <= 0 || at_ >= size_) {
            return 0;
        }
        // Piece sizes 1..64 or whole reads, by the selector and the position.
        std::size_t piece = cut_ < 64 ? static_cast<std::size_t>(cut_) + 1 + (at_ % 7) : size_;
        piece = std::min({piece, size_ - at_, static_cast<std::size_t>(count)});
        std::memcpy(buffer, data_ + at_, piece);
        at_ += piece;
        return static_cast<int>(piece);
    }
    bool Write(const std::uint8_t*, int count, int* written) override {
        if (written != nullptr) {
            *written = count;
        }
        return true;
    }
    bool Exhausted() const { return at_ >= size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::uint8_t cut_;
    std::size_t at_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    MemoryLink link(data + 2, size - 2, data[0]);
    link.SendFrame(data[1] & 0x7F, nullptr, 0);
    const auto mode = (data[1] & 0x80) != 0 ? veltrane::ReadMode::Waiting : veltrane::ReadMode::UntilQuiet;
    // Read frames until the stream is used up; every frame taken must be consistent.
    for (int frames = 0; frames < 64 && !link.Exhausted(); ++frames) {
        const bool ok = link.ReadReply(mode);
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
