#include "device/FramedLink.h"

#include <algorithm>

#include "device/LinkTrace.h"
#include "platform/Clock.h"
#include "protocol/FrameCodec.h"

#include <cstring>

namespace veltrane {

namespace {

// Bytes consumed before the unread rest is moved to the front of the receive buffer.
constexpr int kMoveToFrontAfter = 50;
// Bytes the scan must see from its position: the byte, its successor, and the two CRC bytes
// that may follow a closing DLE ETX.
constexpr int kLookAhead = 4;
constexpr int kBitsPerByte = 10;
constexpr int kAssumedBaud = 38400; // a port opened without a rate (a test's)

const char* MarkOf(FrameResult result) {
    switch (result) {
    case FrameResult::Good:
        return "good";
    case FrameResult::BadCrc:
        return "bad-crc";
    case FrameResult::Nak:
        return "nak";
    default:
        return "dropped";
    }
}

} // namespace

FramedLink::FramedLink(const Profile* profile) : SerialPort(profile), clock_(&SystemClock::Instance()) {}

FramedLink::~FramedLink() = default;

bool FramedLink::EnableTrace(const std::string& path) {
    trace_ = LinkTrace::Create(path);
    return trace_ != nullptr;
}

void FramedLink::DisableTrace() {
    trace_.reset();
}

std::uint16_t FramedLink::ReplyStatusWord() const {
    if (receivedLength_ < 4) {
        return 0;
    }
    return static_cast<std::uint16_t>(replyArea_[2] | (replyArea_[3] << 8));
}

bool FramedLink::SendFrame(int command, const std::uint8_t* payload, int length) {
    const bool open = IsOpen();
    lastCommand_ = command;
    transmitLength_ = 0;
    if (length < 0 || length >= kAreaSize || (length > 0 && payload == nullptr)) {
        return false;
    }
    std::array<std::uint8_t, kAreaSize> body;
    body[0] = static_cast<std::uint8_t>(command);
    if (length > 0) {
        std::memcpy(body.data() + 1, payload, static_cast<std::size_t>(length));
    }
    const std::size_t size = EncodeFrame(
        std::span<const std::uint8_t>(body.data(), static_cast<std::size_t>(length) + 1), transmitArea_);
    if (size == 0) {
        return false; // would not fit the transmit area
    }
    transmitLength_ = static_cast<int>(size);
    if (!open) {
        return false;
    }
    const bool written = Write(transmitArea_.data(), transmitLength_);
    if (trace_) {
        trace_->Record("TX", written ? "sent" : "write-failed", Transmitted());
    }
    return written;
}

int FramedLink::FlushInput() {
    carry_.clear();
    return SerialPort::FlushInput();
}

int FramedLink::ReadSome(int space, std::uint8_t* into, ReadMode mode) {
    if (mode == ReadMode::Waiting && space > 0) {
        // Asking for no more than has arrived makes the read return at once; when nothing
        // has, it waits for one byte, at most the time-out.
        space = std::clamp(BytesWaiting(), 1, space);
    }
    return Read(space, into);
}

int FramedLink::LineTimeMs(int bytes) const {
    const int baud = BaudRate() > 0 ? BaudRate() : kAssumedBaud;
    return static_cast<int>((static_cast<std::int64_t>(bytes) * kBitsPerByte * 1000 + baud - 1) / baud);
}

bool FramedLink::ReadFrame(ReadMode mode) {
    return ReadFrameBy(mode, clock_->NowMs() + FrameTimeMs());
}

bool FramedLink::ReadFrameBy(ReadMode mode, std::int64_t deadlineMs) {
    receivedLength_ = 0;
    lastResult_ = FrameResult::None;
    nakAfterNoise_ = false;
    ResetCursor();

    std::array<std::uint8_t, kAreaSize> buffer;
    std::vector<std::uint8_t> raw; // every byte read, for the trace only
    std::size_t movedAway = 0;     // bytes dropped from the buffer's front by moves
    std::size_t frameEnd = 0;      // end of the taken frame within raw

    int held = 0;
    if (!carry_.empty()) {
        held = static_cast<int>(std::min<std::size_t>(carry_.size(), kAreaSize));
        std::copy_n(carry_.begin(), held, buffer.begin());
        carry_.clear();
    } else {
        held = ReadSome(kAreaSize, buffer.data(), mode);
    }
    if (trace_ && held > 0) {
        raw.insert(raw.end(), buffer.begin(), buffer.begin() + held);
    }
    replyArea_[0] = 0;
    int out = 0;
    bool complete = false;
    bool nak = false;
    std::uint16_t receivedCrc = 0;

    int i = 0;
    while (held > 0 && i < held) {
        if (replyArea_[0] != kStx) {
            out = 0;
        }
        if (held - i < kLookAhead) {
            int got = 0;
            if (i > kMoveToFrontAfter) {
                std::memmove(buffer.data(), buffer.data() + i, static_cast<std::size_t>(held - i));
                movedAway += static_cast<std::size_t>(i);
                held -= i;
                i = 0;
            }
            // A line that never stops sending is no frame: past the deadline it counts as quiet.
            if (clock_->NowMs() < deadlineMs) {
                got = ReadSome(kAreaSize - held, buffer.data() + held, mode);
            }
            if (trace_ && got > 0) {
                raw.insert(raw.end(), buffer.begin() + held, buffer.begin() + held + got);
            }
            held += got;
            if (held - i < kLookAhead) {
                if (got != 0) {
                    continue;
                }
                // The controller's NAK is three bytes and then silence: it needs no fourth.
                if (out == 0 && held - i >= 3 && buffer[i] == kNak) {
                    TakeNak(buffer[i + 1], buffer[i + 2]);
                    nak = true;
                    frameEnd = movedAway + static_cast<std::size_t>(i) + 3;
                }
                break;
            }
        }
        const std::uint8_t c = buffer[i];
        const std::uint8_t d = buffer[i + 1];
        if (c == kStx && d != kStx) {
            out = 0; // a lone STX starts a new frame, also in the middle of one
        }
        if (out == 0 && c == kNak) {
            TakeNak(d, buffer[i + 2]);
            nak = true;
            frameEnd = movedAway + static_cast<std::size_t>(i) + 3;
            break;
        }
        if (out >= kAreaSize) {
            // Longer than the reply area: nothing is stored past it, the frame is given up.
            out = 0;
        }
        replyArea_[out++] = c;
        if (replyArea_[0] == kStx && c == kDle && d != kDle) {
            if (d == kEtx) {
                if (out + 3 > kAreaSize) {
                    out = 0;
                } else {
                    replyArea_[out] = kEtx;
                    replyArea_[out + 1] = buffer[i + 2];
                    replyArea_[out + 2] = buffer[i + 3];
                    receivedCrc = static_cast<std::uint16_t>(buffer[i + 2] * 256 + buffer[i + 3]);
                    out += 3;
                    receivedLength_ = out;
                    complete = true;
                    frameEnd = movedAway + static_cast<std::size_t>(i) + 4;
                    break;
                }
            } else {
                out = 0; // a lone DLE aborts the frame
            }
        }
        if (out > 0 && ((c == kStx && d == kStx) || (c == kDle && d == kDle))) {
            ++i; // the doubled byte
        }
        ++i;
    }

    if ((complete || nak) && frameEnd >= movedAway) {
        const std::size_t next = frameEnd - movedAway;
        if (next < static_cast<std::size_t>(held)) {
            carry_.assign(buffer.begin() + static_cast<std::ptrdiff_t>(next), buffer.begin() + held);
            if (raw.size() >= carry_.size()) {
                raw.resize(raw.size() - carry_.size()); // traced with the frame they belong to
            }
        }
    }
    if (complete) {
        const std::uint16_t crc = Crc16(std::span<const std::uint8_t>(
            replyArea_.data() + 1, static_cast<std::size_t>(receivedLength_ - 5)));
        lastResult_ = crc == receivedCrc ? FrameResult::Good : FrameResult::BadCrc;
        if (lastResult_ == FrameResult::BadCrc) {
            receivedLength_ = 0;
        }
    } else if (nak) {
        lastResult_ = FrameResult::Nak;
        nakAfterNoise_ = frameEnd > 3; // bytes that held no frame came before it
    } else if (held > 0) {
        lastResult_ = FrameResult::Dropped;
    }
    if (trace_) {
        TraceReceived(raw, frameEnd);
    }
    return lastResult_ == FrameResult::Good || lastResult_ == FrameResult::Nak;
}

void FramedLink::TakeNak(std::uint8_t second, std::uint8_t third) {
    replyArea_[0] = kNak;
    replyArea_[1] = second;
    replyArea_[2] = third;
    receivedLength_ = 3;
}

void FramedLink::TraceReceived(const std::vector<std::uint8_t>& raw, std::size_t frameEnd) {
    if (raw.empty()) {
        return;
    }
    if (lastResult_ == FrameResult::Dropped || lastResult_ == FrameResult::None) {
        trace_->Record("RX", "dropped", raw);
        return;
    }
    trace_->Record("RX", MarkOf(lastResult_), std::span<const std::uint8_t>(raw.data(), frameEnd));
    if (frameEnd < raw.size()) {
        trace_->Record("RX", "dropped",
                       std::span<const std::uint8_t>(raw.data() + frameEnd, raw.size() - frameEnd));
    }
}

bool FramedLink::Answers(int dataEcho) const {
    if (lastResult_ != FrameResult::Good || receivedLength_ < 10) {
        return false; // a frame too short to hold an echo cannot be the reply
    }
    const int echo = replyArea_[5];
    if (lastCommand_ == 0) {
        // The identification takes any echo, but a pulse reply that came late is none.
        return echo != kPulseCommand;
    }
    if (echo != static_cast<std::uint8_t>(lastCommand_)) {
        return false;
    }
    return dataEcho == kAnyData || (receivedLength_ > 10 && replyArea_[kReplyDataOffset] == dataEcho);
}

bool FramedLink::ReadReply(ReadMode mode) {
    if (!ReadFrame(mode) || lastResult_ == FrameResult::Nak) {
        return false;
    }
    if (lastCommand_ == 0) {
        return true; // the identification request takes any echo
    }
    return Answers(kAnyData);
}

bool FramedLink::AwaitReply(int dataEcho) {
    // However the line babbles, the wait ends: two reply areas' worth of bytes at the line rate
    // and the time-out are more than a late pulse reply and a duplicate take. No frame read
    // goes past that either.
    const std::int64_t deadline = clock_->NowMs() + LineTimeMs(2 * kAreaSize) + Timeout();
    for (;;) {
        ReadFrameBy(ReadMode::UntilQuiet, std::min(deadline, clock_->NowMs() + FrameTimeMs()));
        if (Answers(dataEcho)) {
            return true;
        }
        // Someone else's reply, or a damaged frame (perhaps the tail of a pulse reply whose
        // start a flush took): ours may be behind it or still on its way, and a read that
        // meets silence ends the wait. A NAK refuses this request when it comes first and the
        // line goes quiet behind it; after bytes that held no frame, or with more behind it, it
        // was a 0x15 in such a tail.
        const bool strayNak = lastResult_ == FrameResult::Nak && (nakAfterNoise_ || !carry_.empty());
        if (lastResult_ != FrameResult::Good && lastResult_ != FrameResult::BadCrc && !strayNak) {
            return false;
        }
        if (clock_->NowMs() >= deadline) {
            // What arrived answered something else: nothing was taken for this request.
            receivedLength_ = 0;
            lastResult_ = FrameResult::Dropped;
            return false;
        }
    }
}

void FramedLink::ResetCursor(int position) {
    cursor_ = position;
    cursorOverrun_ = false;
}

std::uint8_t FramedLink::NextU8() {
    if (cursor_ < kReplyDataOffset || cursor_ >= DataEnd()) {
        cursorOverrun_ = true;
        ++cursor_;
        return 0;
    }
    return replyArea_[cursor_++];
}

std::uint16_t FramedLink::NextU16() {
    const std::uint16_t high = NextU8();
    return static_cast<std::uint16_t>((high << 8) | NextU8());
}

std::int16_t FramedLink::NextS16() {
    return static_cast<std::int16_t>(NextU16());
}

std::uint32_t FramedLink::NextU32() {
    const std::uint32_t high = NextU16();
    return (high << 16) | NextU16();
}

std::int32_t FramedLink::NextS32() {
    return static_cast<std::int32_t>(NextU32());
}

void FramedLink::SkipBytes(int count) {
    for (int k = 0; k < count; ++k) {
        NextU8();
    }
}

} // namespace veltrane
