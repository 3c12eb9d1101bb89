#include "sim/RequestParser.h"

#include "protocol/FrameCodec.h"

namespace veltrane {

void RequestParser::Reset() {
    state_ = State::Idle;
    body_.clear();
}

void RequestParser::StartFrame() {
    body_.clear();
    state_ = State::Body;
}

void RequestParser::Drop() {
    ++framingErrors_;
    Reset();
}

void RequestParser::TakeBodyByte(std::uint8_t byte) {
    if (byte == kStx) {
        state_ = State::AfterStx;
    } else if (byte == kDle) {
        state_ = State::AfterDle;
    } else if (body_.size() >= kMaxBody) {
        Drop();
    } else {
        body_.push_back(byte);
    }
}

std::optional<ParsedRequest> RequestParser::Feed(std::uint8_t byte) {
    switch (state_) {
    case State::Idle:
        if (byte == kStx) {
            StartFrame();
        }
        return std::nullopt;
    case State::Body:
        TakeBodyByte(byte);
        return std::nullopt;
    case State::AfterStx:
        if (byte == kStx) {
            body_.push_back(kStx);
            state_ = State::Body;
            if (body_.size() > kMaxBody) {
                Drop();
            }
        } else {
            // The STX before this byte stood alone: a new frame begins with it.
            if (!body_.empty()) {
                ++framingErrors_;
            }
            StartFrame();
            TakeBodyByte(byte);
        }
        return std::nullopt;
    case State::AfterDle:
        if (byte == kDle) {
            body_.push_back(kDle);
            state_ = State::Body;
            if (body_.size() > kMaxBody) {
                Drop();
            }
        } else if (byte == kEtx) {
            state_ = State::CrcHigh;
        } else if (byte == kStx) {
            ++framingErrors_;
            StartFrame();
        } else {
            Drop();
        }
        return std::nullopt;
    case State::CrcHigh:
        crc_ = static_cast<std::uint16_t>(byte << 8);
        state_ = State::CrcLow;
        return std::nullopt;
    case State::CrcLow: {
        crc_ = static_cast<std::uint16_t>(crc_ | byte);
        if (body_.empty()) {
            Drop();
            return std::nullopt;
        }
        ParsedRequest request;
        request.index = body_.front();
        request.payload.assign(body_.begin() + 1, body_.end());
        request.crcOk = Crc16(body_) == crc_;
        Reset();
        return request;
    }
    }
    return std::nullopt;
}

} // namespace veltrane
