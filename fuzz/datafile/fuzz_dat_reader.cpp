// Feeds arbitrary bytes to the data file reader. A file it accepts must be rebuilt byte for byte
// from what it read (header, block, count, records, log text), and it never takes more records
// than the bytes hold.

#include "datafile/DataFileFormat.h"
#include "datafile/DataFileReader.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veltrane;
    using namespace veltrane::datafile;
    const std::span<const std::uint8_t> input(data, size);
    DataFileContents file;
    std::string error;
    if (!ReadDataFile(input, file, error)) {
        if (error.empty()) {
            __builtin_trap();
        }
        return 0;
    }
    const std::size_t dataOffset = kHeaderSize + file.configurationBytes.size() + kCountSize;
    if (dataOffset + file.pulses.size() * kRecordSize > size || file.pulses.size() < file.storedCount) {
        __builtin_trap();
    }
    std::vector<std::uint8_t> rebuilt;
    PutU32(rebuilt, file.header.magic);
    PutU16(rebuilt, file.header.dataOffset);
    PutU16(rebuilt, file.header.hour);
    PutU16(rebuilt, file.header.minute);
    PutU16(rebuilt, file.header.year);
    PutU16(rebuilt, file.header.month);
    PutU16(rebuilt, file.header.day);
    rebuilt.insert(rebuilt.end(), file.configurationBytes.begin(), file.configurationBytes.end());
    PutU32(rebuilt, file.storedCount);
    for (const StoredPulse& pulse : file.pulses) {
        PutU32(rebuilt, pulse.timeCounter);
        PutU16(rebuilt, pulse.period);
        for (const std::uint16_t sample : pulse.samples) {
            PutU16(rebuilt, sample);
        }
    }
    rebuilt.insert(rebuilt.end(), file.runLogText.begin(), file.runLogText.end());
    if (rebuilt.size() + file.strayBytes != size ||
        !std::equal(rebuilt.begin(), rebuilt.end(), input.begin())) {
        __builtin_trap();
    }
    return 0;
}
