#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace veltrane {

struct ParsedRequest {
    std::uint8_t index = 0;
    std::vector<std::uint8_t> payload;
    bool crcOk = false;
};

// The controller's side of the framing: takes request bytes one at a time (STX, stuffed index
// and payload, DLE ETX, CRC high and low) and hands out each complete frame. A lone STX starts
// a new frame wherever it comes; a lone DLE or an overlong body drops the frame.
class RequestParser {
public:
    static constexpr std::size_t kMaxBody = 1024;

    std::optional<ParsedRequest> Feed(std::uint8_t byte);
    void Reset();
    int FramingErrors() const { return framingErrors_; }
    bool InFrame() const { return state_ != State::Idle; }

private:
    enum class State {
        Idle,
        Body,
        AfterStx,
        AfterDle,
        CrcHigh,
        CrcLow
    };

    void StartFrame();
    void Drop();
    void TakeBodyByte(std::uint8_t byte);

    State state_ = State::Idle;
    std::vector<std::uint8_t> body_;
    std::uint16_t crc_ = 0;
    int framingErrors_ = 0;
};

} // namespace veltrane
