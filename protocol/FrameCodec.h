#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace veltrane {

// Control bytes of the controller's link.
constexpr std::uint8_t kStx = 0x02;
constexpr std::uint8_t kDle = 0x10;
constexpr std::uint8_t kEtx = 0x03;
constexpr std::uint8_t kNak = 0x15;

// CRC-16, polynomial 0x1021, initial 0, MSB first, no reflection, no final inversion.
const std::array<std::uint16_t, 256>& Crc16Table();

inline std::uint16_t Crc16Update(std::uint16_t crc, std::uint8_t byte) {
    return static_cast<std::uint16_t>(((crc << 8) & 0xFFFF) ^ Crc16Table()[((crc >> 8) ^ byte) & 0xFF]);
}

std::uint16_t Crc16(std::span<const std::uint8_t> bytes, std::uint16_t crc = 0);

// Builds one frame on the line from its body: STX, the body with every 0x02 and 0x10
// doubled, DLE, ETX, and the CRC of the unstuffed body (high byte first, never doubled).
// A request's body is the command index and payload; a reply's body is the four header
// bytes, the command echo and the data.
std::vector<std::uint8_t> BuildFrame(std::span<const std::uint8_t> body);
// The same frame written into a fixed area; returns its length, or 0 (nothing written)
// when it would not fit.
std::size_t EncodeFrame(std::span<const std::uint8_t> body, std::span<std::uint8_t> out);
// Length of the frame of a body on the line.
std::size_t EncodedFrameSize(std::span<const std::uint8_t> body);
void AppendFrame(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> body);

} // namespace veltrane
