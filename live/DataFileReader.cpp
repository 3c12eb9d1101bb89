#include "live/DataFileReader.h"

#include "live/DataFileFormat.h"
#include "live/LiveMessages.h"
#include "platform/RegularFile.h"

#include <fstream>
#include <iterator>

namespace veltrane {

using namespace datafile;

namespace {

constexpr std::size_t kModeCountAt = 4;
constexpr std::size_t kEventCountAt = 96;

// What the run log writes: printable text and line ends. Pulse records never pass this, since
// their time counter and period carry zero bytes or control bytes long before 506 bytes go by.
bool LooksLikeText(std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t byte : bytes) {
        if (byte < 0x20 && byte != '\n' && byte != '\r' && byte != '\t') {
            return false;
        }
    }
    return true;
}

StoredPulse DecodePulse(const std::uint8_t* bytes) {
    StoredPulse pulse;
    pulse.timeCounter = GetU32(bytes);
    pulse.period = GetU16(bytes + 4);
    for (std::size_t i = 0; i < pulse.samples.size(); ++i) {
        pulse.samples[i] = GetU16(bytes + 6 + 2 * i);
    }
    return pulse;
}

bool Fail(std::string& error, const char* message) {
    error = message;
    return false;
}

} // namespace

bool ReadDataFile(std::span<const std::uint8_t> bytes, DataFileContents& out, std::string& error) {
    DataFileContents file;
    if (bytes.size() < kHeaderSize) {
        return Fail(error, bytes.size() >= 4 && GetU32(bytes.data()) != kMagic ? messages::kDatNotDataFile
                                                                               : messages::kDatTooShort);
    }
    const std::uint8_t* p = bytes.data();
    file.header = {GetU32(p),      GetU16(p + 4),  GetU16(p + 6), GetU16(p + 8),
                   GetU16(p + 10), GetU16(p + 12), GetU16(p + 14)};
    if (file.header.magic != kMagic) {
        return Fail(error, messages::kDatNotDataFile);
    }

    // The block's own counts give its length; the block decoder then checks every field.
    const std::span<const std::uint8_t> rest = bytes.subspan(kHeaderSize);
    if (rest.size() < kFixedBlockSize) {
        return Fail(error, messages::kDatBadConfiguration);
    }
    const auto modes = static_cast<std::int16_t>(GetU16(rest.data() + kModeCountAt));
    const auto events = static_cast<std::int32_t>(GetU32(rest.data() + kEventCountAt));
    if (modes < 0 || modes > kMaxGateModes || events < 0) {
        return Fail(error, messages::kDatBadConfiguration);
    }
    const std::uint64_t blockSize =
        BlockSize(static_cast<std::uint64_t>(modes), static_cast<std::uint64_t>(events));
    if (blockSize + kCountSize > rest.size()) {
        return Fail(error, messages::kDatBadConfiguration);
    }
    const auto block = rest.first(static_cast<std::size_t>(blockSize));
    if (DecodeBlock(block, file.configuration) != BlockStatus::Ok) {
        return Fail(error, messages::kDatBadConfiguration);
    }
    file.configurationBytes.assign(block.begin(), block.end());

    const std::size_t countAt = kHeaderSize + block.size();
    const std::size_t dataOffset = countAt + kCountSize;
    if (file.header.dataOffset != static_cast<std::uint16_t>(dataOffset)) {
        return Fail(error, messages::kDatBadDataOffset);
    }
    file.storedCount = GetU32(p + countAt);

    const std::size_t available = (bytes.size() - dataOffset) / kRecordSize;
    if (file.storedCount > available) {
        return Fail(error, messages::kDatMissingRecords);
    }
    std::size_t records = file.storedCount;
    const std::size_t tailAt = dataOffset + records * kRecordSize;
    const std::span<const std::uint8_t> tail = bytes.subspan(tailAt);
    if (!LooksLikeText(tail)) {
        // Not run-log text: whole records the count did not reach yet, then a cut record.
        records = available;
        file.recovered = records > file.storedCount;
        file.strayBytes = (bytes.size() - dataOffset) % kRecordSize;
    }
    file.pulses.reserve(records);
    for (std::size_t i = 0; i < records; ++i) {
        file.pulses.push_back(DecodePulse(p + dataOffset + i * kRecordSize));
    }
    if (file.strayBytes == 0 && records == file.storedCount) {
        file.runLogText.assign(reinterpret_cast<const char*>(tail.data()), tail.size());
    }
    out = std::move(file);
    return true;
}

bool ReadDataFile(const std::string& path, DataFileContents& out, std::string& error) {
    // A FIFO or device would block the open below.
    if (!IsRegularFile(path)) {
        return Fail(error, messages::kDatUnreadable);
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return Fail(error, messages::kDatUnreadable);
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    if (in.bad()) {
        return Fail(error, messages::kDatUnreadable);
    }
    return ReadDataFile(bytes, out, error);
}

} // namespace veltrane
