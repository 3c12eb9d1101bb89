#pragma once

#include "config/ConfigurationBlock.h"
#include "datafile/DataFileFormat.h"
#include "datafile/DataFileReader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace veltrane::testing {

// A pulse with every sample at `level`, and the given samples set.
inline StoredPulse FlatPulse(std::uint32_t timeCounter, std::uint16_t level = 0) {
    StoredPulse pulse;
    pulse.timeCounter = timeCounter;
    pulse.period = 30;
    pulse.samples.fill(level);
    return pulse;
}

// The bytes of a data file as the recorder writes them; `count` is the record count field.
inline std::vector<std::uint8_t> DatBytes(const ConfigurationBlock& block,
                                          const std::vector<StoredPulse>& pulses, std::uint32_t count,
                                          const std::string& runLog = "") {
    using namespace datafile;
    std::vector<std::uint8_t> blockBytes;
    EncodeBlock(block, blockBytes);
    std::vector<std::uint8_t> out;
    PutU32(out, kMagic);
    PutU16(out, static_cast<std::uint16_t>(kHeaderSize + blockBytes.size() + kCountSize));
    for (const std::uint16_t field : {14, 5, 2026, 12, 7}) {
        PutU16(out, field);
    }
    out.insert(out.end(), blockBytes.begin(), blockBytes.end());
    PutU32(out, count);
    for (const StoredPulse& pulse : pulses) {
        PulseRecord record;
        record.timeCounter = pulse.timeCounter;
        record.period = pulse.period;
        record.samples = pulse.samples;
        EncodeRecord(record, out);
    }
    out.insert(out.end(), runLog.begin(), runLog.end());
    return out;
}

// A configuration with two gate modes: S (channel 1) and P-2 (channel 2).
inline ConfigurationBlock TwoModeBlock() {
    ConfigurationBlock block;
    GateMode s;
    s.name = 0;
    s.suffix = 1;
    s.startA = 0.5f;
    s.stopA = 1.0f;
    s.operatorIndex = 0;
    s.alpha = 0.5f;
    s.startB = 2.0f;
    s.stopB = 2.5f;
    GateMode p = s;
    p.name = 1;
    p.suffix = 2;
    p.startA = 4.0f;
    p.stopA = 15.0f;
    p.operatorIndex = 1;
    block.gateModes = {s, p};
    block.channels[0].gateModeName = 0;
    block.channels[0].gateModeSuffix = 1;
    block.channels[1].gateModeName = 1;
    block.channels[1].gateModeSuffix = 2;
    block.board.triggerLevel = 100;
    return block;
}

} // namespace veltrane::testing
