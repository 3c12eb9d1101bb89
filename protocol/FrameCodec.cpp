#include "protocol/FrameCodec.h"

namespace veltrane {

const std::array<std::uint16_t, 256>& Crc16Table() {
    static const std::array<std::uint16_t, 256> table = [] {
        std::array<std::uint16_t, 256> entries{};
        for (unsigned i = 0; i < 256; ++i) {
            unsigned crc = i << 8;
            for (int bit = 0; bit < 8; ++bit) {
                crc = (crc & 0x8000) ? ((crc << 1) ^ 0x1021) : (crc << 1);
            }
            entries[i] = static_cast<std::uint16_t>(crc & 0xFFFF);
        }
        return entries;
    }();
    return table;
}

std::uint16_t Crc16(std::span<const std::uint8_t> bytes, std::uint16_t crc) {
    for (std::uint8_t byte : bytes) {
        crc = Crc16Update(crc, byte);
    }
    return crc;
}

void AppendFrame(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> body) {
    out.reserve(out.size() + body.size() * 2 + 5);
    out.push_back(kStx);
    for (std::uint8_t byte : body) {
        out.push_back(byte);
        if (byte == kStx || byte == kDle) {
            out.push_back(byte);
        }
    }
    const std::uint16_t crc = Crc16(body);
    out.push_back(kDle);
    out.push_back(kEtx);
    out.push_back(static_cast<std::uint8_t>(crc >> 8));
    out.push_back(static_cast<std::uint8_t>(crc & 0xFF));
}

std::vector<std::uint8_t> BuildFrame(std::span<const std::uint8_t> body) {
    std::vector<std::uint8_t> out;
    AppendFrame(out, body);
    return out;
}

std::size_t EncodedFrameSize(std::span<const std::uint8_t> body) {
    std::size_t size = body.size() + 5;
    for (std::uint8_t byte : body) {
        if (byte == kStx || byte == kDle) {
            ++size;
        }
    }
    return size;
}

std::size_t EncodeFrame(std::span<const std::uint8_t> body, std::span<std::uint8_t> out) {
    if (EncodedFrameSize(body) > out.size()) {
        return 0;
    }
    std::size_t at = 0;
    std::uint16_t crc = 0;
    out[at++] = kStx;
    for (std::uint8_t byte : body) {
        crc = Crc16Update(crc, byte);
        out[at++] = byte;
        if (byte == kStx || byte == kDle) {
            out[at++] = byte;
        }
    }
    out[at++] = kDle;
    out[at++] = kEtx;
    out[at++] = static_cast<std::uint8_t>(crc >> 8);
    out[at++] = static_cast<std::uint8_t>(crc & 0xFF);
    return at;
}

} // namespace veltrane
