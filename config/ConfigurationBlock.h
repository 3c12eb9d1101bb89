#pragma once

#include "protocol/ConfigTypes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace veltrane {

// Everything a configuration block carries, as plain values. The model reads a block into one of
// these first and takes it over only when the whole block was sound.
struct ConfigurationBlock {
    std::array<ChannelSettings, kChannelCount> channels{};
    std::vector<GateMode> gateModes; // at most kMaxGateModes
    BoardSettings board{};
    std::vector<TimedEvent> timedEvents; // at most kMaxTimedEventCount
};

inline constexpr std::int32_t kConfigurationSignature = 0x7801;
inline constexpr std::size_t kFixedBlockSize = 124;
inline constexpr std::size_t kGateModeRecordSize = 27;
inline constexpr std::size_t kTimedEventRecordSize = 14;

enum class BlockStatus {
    Ok,
    TooShort,         // fewer bytes than the fixed part
    WrongSignature,   // first four bytes are not 01 78 00 00
    BadGateModeCount, // outside 0..5
    BadEventCount,    // outside 0..kMaxTimedEventCount
    LengthMismatch    // the bytes are not exactly as long as the counts say
};

// Bytes of a block with the given counts.
constexpr std::uint64_t BlockSize(std::uint64_t gateModes, std::uint64_t timedEvents) {
    return kFixedBlockSize + kGateModeRecordSize * gateModes + kTimedEventRecordSize * timedEvents;
}

// Appends the block, little-endian field by field. At most the first five gate modes and the first
// kMaxTimedEventCount timed events are written.
void EncodeBlock(const ConfigurationBlock& block, std::vector<std::uint8_t>& out);

// Reads exactly one block. On any status other than Ok, out is left as it was.
BlockStatus DecodeBlock(std::span<const std::uint8_t> bytes, ConfigurationBlock& out);

// A short plain description of a status, for command-line tools.
const char* DescribeBlockStatus(BlockStatus status);

} // namespace veltrane
