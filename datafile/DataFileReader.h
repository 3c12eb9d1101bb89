#pragma once

#include "config/ConfigurationBlock.h"
#include "protocol/PulseRecord.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace veltrane {

// One stored pulse: what a data file keeps of a PulseRecord.
struct StoredPulse {
    std::uint32_t timeCounter = 0;
    std::uint16_t period = 0;
    std::array<std::uint16_t, kPulseSamples> samples{};
};

struct DataFileHeader {
    std::uint32_t magic = 0;
    std::uint16_t dataOffset = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t day = 0;
};

struct DataFileContents {
    DataFileHeader header;
    std::vector<std::uint8_t> configurationBytes; // the block byte for byte
    ConfigurationBlock configuration;
    std::uint32_t storedCount = 0; // the record count as the file holds it
    std::vector<StoredPulse> pulses;
    std::string runLogText;
    // The file holds more whole records than its count says: a recording that was cut off
    // (or a file of an older recorder that was never closed). Those records were taken too.
    bool recovered = false;
    // Bytes after the last record taken that were ignored: a record cut in half, or records that
    // cannot be real (a zero-filled tail).
    std::size_t strayBytes = 0;
};

// Reads a .dat file. False with a plain message in error for anything that is not a sound data
// file; never reads past the bytes it was given.
bool ReadDataFile(std::span<const std::uint8_t> bytes, DataFileContents& out, std::string& error);
// The same from a file, read in pieces: the header is checked before anything else is read.
bool ReadDataFile(const std::string& path, DataFileContents& out, std::string& error);

} // namespace veltrane
