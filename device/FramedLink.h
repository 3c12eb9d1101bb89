#pragma once

#include "device/SerialPort.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace veltrane {

class Clock;
class LinkTrace;

// Outcome of one ReadFrame, also what the protocol trace writes.
enum class FrameResult {
    None,   // nothing arrived
    Good,   // complete frame, CRC correct
    BadCrc, // complete frame, CRC wrong
    Nak,    // the controller refused the request
    Dropped // bytes arrived but no frame was taken from them
};

// How a read waits for a frame's bytes.
enum class ReadMode {
    UntilQuiet, // one read until the line has been quiet for the time-out
    Waiting     // what has arrived, waiting only while the frame is still incomplete
};

// One framed, byte-stuffed, checksummed request and one checked reply at a time.
class FramedLink : public SerialPort {
public:
    static constexpr int kAreaSize = 1024;
    static constexpr int kReplyDataOffset = 6; // STX, four header bytes, command echo
    // The one request whose reply comes later, on the controller's next pulse: it can land in
    // the middle of any other exchange.
    static constexpr int kPulseCommand = 60;
    // No data byte to check in AwaitReply.
    static constexpr int kAnyData = -1;

    explicit FramedLink(const Profile* profile = nullptr);
    ~FramedLink() override;

    // Builds the frame of a command and sends it. Fails without writing when the port is
    // closed or the frame would not fit the transmit area.
    bool SendFrame(int command, const std::uint8_t* payload, int length);
    // Takes one frame (or a NAK) from the line into the reply area. True for a frame with a
    // good CRC or a NAK. Waiting mode suits a reply known to have (nearly) arrived: it is taken
    // without waiting out the quiet time behind it. However the line babbles, the read ends once
    // the longest frame and the time-out have had time to arrive (FrameTimeMs).
    bool ReadFrame(ReadMode mode = ReadMode::UntilQuiet);
    // ReadFrame plus: no NAK, and the echo matches the last command (command 0 takes any echo).
    bool ReadReply(ReadMode mode = ReadMode::UntilQuiet);
    // The reply to the request just sent. A whole frame that answers something else (a pulse
    // reply that came late, a duplicate of an earlier reply) is passed over and the read goes
    // on for the right one while bytes keep coming within the time-out, for no longer than two
    // reply areas take on the line, and the time-out. When dataEcho is not kAnyData, the first data byte must
    // equal it too (the slot or channel a reply echoes). The identification (command 0) takes
    // any echo but the pulse request's.
    bool AwaitReply(int dataEcho = kAnyData);
    // Bytes that arrived behind the last frame in the same read; the next ReadFrame starts
    // with them, so two pulse replies that arrive together are both taken.
    std::size_t CarriedBytes() const { return carry_.size(); }
    // What has arrived for the next read, without taking a frame from it: the bytes waiting
    // join the carried ones, where the next ReadFrame starts.
    std::span<const std::uint8_t> PeekArrived();
    void DropCarriedBytes() { carry_.clear(); }
    // Drops the carried bytes too.
    int FlushInput() override;

    FrameResult LastFrameResult() const { return lastResult_; }
    int ReceivedLength() const { return receivedLength_; }
    int LastCommand() const { return lastCommand_; }
    // What the line takes to carry this many bytes at its rate (10 bits a byte), rounded up.
    int LineTimeMs(int bytes) const;
    // The longest a frame read may take: a whole reply area on the line and the time-out.
    int FrameTimeMs() const { return LineTimeMs(kAreaSize) + Timeout(); }
    // Where frame reads take the time from (the system's monotonic clock unless set); the frame
    // fuzzer runs the line on a clock of its own.
    void SetClock(const Clock& clock) { clock_ = &clock; }
    bool NakReceived() const { return lastResult_ == FrameResult::Nak; }
    // Bytes held in the reply area (unstuffed), STX to CRC.
    std::span<const std::uint8_t> Reply() const {
        return {replyArea_.data(), static_cast<std::size_t>(receivedLength_)};
    }
    // The last request frame as it went on the line.
    std::span<const std::uint8_t> Transmitted() const {
        return {transmitArea_.data(), static_cast<std::size_t>(transmitLength_)};
    }
    // The status word of the last reply's header (bytes 2 low, 3 high).
    std::uint16_t ReplyStatusWord() const;

    // Protocol trace: every frame sent and received goes to the file, one per line.
    bool EnableTrace(const std::string& path);
    void DisableTrace();

    // Parse cursor over the reply data. Reads past the data (into DLE ETX CRC or beyond)
    // give 0 and set the overrun flag, so a short reply can never be taken for data.
    void ResetCursor(int position = kReplyDataOffset);
    bool CursorOverrun() const { return cursorOverrun_; }
    int DataLength() const { return receivedLength_ >= 10 ? receivedLength_ - 10 : 0; }
    std::uint8_t NextU8();
    std::uint16_t NextU16();
    std::int16_t NextS16();
    std::uint32_t NextU32();
    std::int32_t NextS32();
    void SkipBytes(int count);

private:
    int DataEnd() const { return receivedLength_ >= 10 ? receivedLength_ - 4 : 0; }
    bool Answers(int dataEcho) const;
    int ReadSome(int space, std::uint8_t* into, ReadMode mode);
    // ReadFrame, reading no more once the clock reaches deadlineMs.
    bool ReadFrameBy(ReadMode mode, std::int64_t deadlineMs);
    void TakeNak(std::uint8_t second, std::uint8_t third);
    void TraceReceived(const std::vector<std::uint8_t>& raw, std::size_t frameEnd);

    std::array<std::uint8_t, kAreaSize> transmitArea_{};
    std::array<std::uint8_t, kAreaSize> replyArea_{};
    int transmitLength_ = 0;
    int receivedLength_ = 0;
    int lastCommand_ = 0;
    int cursor_ = kReplyDataOffset;
    bool cursorOverrun_ = false;
    FrameResult lastResult_ = FrameResult::None;
    bool nakAfterNoise_ = false; // the last NAK came behind bytes that held no frame
    const Clock* clock_;
    std::unique_ptr<LinkTrace> trace_;
    std::vector<std::uint8_t> carry_;
};

} // namespace veltrane
