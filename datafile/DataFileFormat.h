#pragma once

#include "protocol/PulseRecord.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace veltrane::datafile {

// A .dat file: 16-byte header, the configuration block, the record count, 506-byte pulse
// records, then the run-log text added while the file was open. Little-endian, no padding.
inline constexpr std::uint32_t kMagic = 0x4201;
inline constexpr std::size_t kHeaderSize = 16;
inline constexpr std::size_t kDataOffsetField = 4;
inline constexpr std::size_t kCountSize = 4;
inline constexpr std::size_t kRecordSize = 4 + 2 + 2 * kPulseSamples;
static_assert(kRecordSize == 506);

inline constexpr double kBytesPerMB = 1048576.0;

inline void PutU16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
    }
}

inline std::uint16_t GetU16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline std::uint32_t GetU32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

// Time counter, period and the samples; the sequence byte, period copy and status word stay out.
inline void EncodeRecord(const PulseRecord& record, std::vector<std::uint8_t>& out) {
    PutU32(out, record.timeCounter);
    PutU16(out, record.period);
    for (const std::uint16_t sample : record.samples) {
        PutU16(out, sample);
    }
}

} // namespace veltrane::datafile
