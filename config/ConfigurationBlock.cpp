#include "config/ConfigurationBlock.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace veltrane {

namespace {

class Writer {
public:
    explicit Writer(std::vector<std::uint8_t>& out) : out_(out) {}

    void U8(std::uint8_t value) { out_.push_back(value); }
    void U16(std::uint16_t value) {
        out_.push_back(static_cast<std::uint8_t>(value & 0xFFu));
        out_.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    void I16(std::int16_t value) { U16(static_cast<std::uint16_t>(value)); }
    void U32(std::uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8) {
            out_.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFFu));
        }
    }
    void I32(std::int32_t value) { U32(static_cast<std::uint32_t>(value)); }
    // The bit pattern travels unchanged, NaN payloads and negative zero included.
    void F32(float value) { U32(std::bit_cast<std::uint32_t>(value)); }

private:
    std::vector<std::uint8_t>& out_;
};

// Reads from a span whose length the caller has already checked.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint8_t U8() { return bytes_[pos_++]; }
    std::uint16_t U16() {
        const auto low = static_cast<std::uint16_t>(bytes_[pos_]);
        const auto high = static_cast<std::uint16_t>(bytes_[pos_ + 1]);
        pos_ += 2;
        return static_cast<std::uint16_t>(low | (high << 8));
    }
    std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
    std::uint32_t U32() {
        std::uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            value |= static_cast<std::uint32_t>(bytes_[pos_++]) << shift;
        }
        return value;
    }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    float F32() { return std::bit_cast<float>(U32()); }
    void Seek(std::size_t pos) { pos_ = pos; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

constexpr std::size_t kEventCountOffset = 96;

void WriteCoefficients(Writer& w, const std::array<float, 4>& values) {
    for (const float value : values) {
        w.F32(value);
    }
}

void ReadCoefficients(Reader& r, std::array<float, 4>& values) {
    for (float& value : values) {
        value = r.F32();
    }
}

void WriteChannel(Writer& w, const ChannelSettings& c) {
    w.U16(c.zeroValue);
    w.I16(c.interpolation);
    w.I16(c.attenuationIndex);
    w.I16(c.gateModeName);
    w.I16(c.gateModeSuffix);
    w.I16(c.extraWord);
}

ChannelSettings ReadChannel(Reader& r) {
    ChannelSettings c;
    c.zeroValue = r.U16();
    c.interpolation = r.I16();
    c.attenuationIndex = r.I16();
    c.gateModeName = r.I16();
    c.gateModeSuffix = r.I16();
    c.extraWord = r.I16();
    return c;
}

void WriteGateMode(Writer& w, const GateMode& m) {
    w.I16(m.suffix);
    w.I16(m.name);
    w.F32(m.startA);
    w.F32(m.stopA);
    w.I16(m.operatorIndex);
    w.F32(m.alpha);
    w.F32(m.startB);
    w.F32(m.stopB);
    w.U8(m.squareRoot);
}

GateMode ReadGateMode(Reader& r) {
    GateMode m;
    m.suffix = r.I16();
    m.name = r.I16();
    m.startA = r.F32();
    m.stopA = r.F32();
    m.operatorIndex = r.I16();
    m.alpha = r.F32();
    m.startB = r.F32();
    m.stopB = r.F32();
    m.squareRoot = r.U8();
    return m;
}

void WriteTimedEvent(Writer& w, const TimedEvent& e) {
    w.F32(e.startTime);
    w.I16(e.type);
    w.I16(e.channel);
    w.F32(e.value);
    w.I16(e.gateSuffix);
}

TimedEvent ReadTimedEvent(Reader& r) {
    TimedEvent e;
    e.startTime = r.F32();
    e.type = r.I16();
    e.channel = r.I16();
    e.value = r.F32();
    e.gateSuffix = r.I16();
    return e;
}

} // namespace

void EncodeBlock(const ConfigurationBlock& block, std::vector<std::uint8_t>& out) {
    const std::size_t modeCount = std::min<std::size_t>(block.gateModes.size(), kMaxGateModes);
    const std::size_t eventCount = std::min<std::size_t>(block.timedEvents.size(), kMaxTimedEventCount);
    out.reserve(out.size() + BlockSize(modeCount, eventCount));

    Writer w(out);
    const BoardSettings& b = block.board;
    w.I32(kConfigurationSignature);
    w.I16(static_cast<std::int16_t>(modeCount));
    w.I16(b.pmtVoltage);
    w.F32(b.ignitorCurrent);
    w.I16(b.triggerLevel);
    w.I16(b.range);
    w.F32(b.h2FlowRate);
    w.F32(b.air1FlowRate);
    w.F32(b.air2FlowRate);
    w.F32(b.splitSetControl);
    WriteCoefficients(w, b.h2Coefficients);
    WriteCoefficients(w, b.air1Coefficients);
    WriteCoefficients(w, b.air2Coefficients);
    WriteCoefficients(w, b.auxCoefficients);
    w.I32(static_cast<std::int32_t>(eventCount));
    for (const ChannelSettings& channel : block.channels) {
        WriteChannel(w, channel);
    }
    for (std::size_t i = 0; i < modeCount; ++i) {
        WriteGateMode(w, block.gateModes[i]);
    }
    for (std::size_t i = 0; i < eventCount; ++i) {
        WriteTimedEvent(w, block.timedEvents[i]);
    }
}

BlockStatus DecodeBlock(std::span<const std::uint8_t> bytes, ConfigurationBlock& out) {
    // The signature decides first, so a file of another kind always gets the same answer.
    if (bytes.size() < 4) {
        return BlockStatus::TooShort;
    }
    Reader r(bytes);
    if (r.I32() != kConfigurationSignature) {
        return BlockStatus::WrongSignature;
    }
    if (bytes.size() < kFixedBlockSize) {
        return BlockStatus::TooShort;
    }
    const std::int16_t modeCount = r.I16();
    if (modeCount < 0 || modeCount > kMaxGateModes) {
        return BlockStatus::BadGateModeCount;
    }
    r.Seek(kEventCountOffset);
    const std::int32_t eventCount = r.I32();
    if (eventCount < 0 || eventCount > kMaxTimedEventCount) {
        return BlockStatus::BadEventCount;
    }
    if (bytes.size() !=
        BlockSize(static_cast<std::uint64_t>(modeCount), static_cast<std::uint64_t>(eventCount))) {
        return BlockStatus::LengthMismatch;
    }

    ConfigurationBlock block;
    r.Seek(6);
    BoardSettings& b = block.board;
    b.pmtVoltage = r.I16();
    b.ignitorCurrent = r.F32();
    b.triggerLevel = r.I16();
    b.range = r.I16();
    b.h2FlowRate = r.F32();
    b.air1FlowRate = r.F32();
    b.air2FlowRate = r.F32();
    b.splitSetControl = r.F32();
    ReadCoefficients(r, b.h2Coefficients);
    ReadCoefficients(r, b.air1Coefficients);
    ReadCoefficients(r, b.air2Coefficients);
    ReadCoefficients(r, b.auxCoefficients);
    r.I32(); // event count, read above
    for (ChannelSettings& channel : block.channels) {
        channel = ReadChannel(r);
    }
    block.gateModes.reserve(static_cast<std::size_t>(modeCount));
    for (int i = 0; i < modeCount; ++i) {
        block.gateModes.push_back(ReadGateMode(r));
    }
    block.timedEvents.reserve(static_cast<std::size_t>(eventCount));
    for (std::int32_t i = 0; i < eventCount; ++i) {
        block.timedEvents.push_back(ReadTimedEvent(r));
    }
    out = std::move(block);
    return BlockStatus::Ok;
}

const char* DescribeBlockStatus(BlockStatus status) {
    switch (status) {
    case BlockStatus::Ok:
        return "valid configuration block";
    case BlockStatus::TooShort:
        return "file shorter than the 124-byte fixed part";
    case BlockStatus::WrongSignature:
        return "first four bytes are not 01 78 00 00";
    case BlockStatus::BadGateModeCount:
        return "gate-mode count outside 0..5";
    case BlockStatus::BadEventCount:
        return "timed-event count outside 0..255";
    case BlockStatus::LengthMismatch:
        return "file length does not match its gate-mode and timed-event counts";
    }
    return "unknown block status";
}

} // namespace veltrane
