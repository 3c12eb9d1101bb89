#include "datafile/DataFileReader.h"

#include "datafile/DataFileFormat.h"
#include "datafile/Messages.h"
#include "platform/FilePath.h"
#include "platform/MemoryAdvice.h"
#include "platform/RegularFile.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <fstream>
#include <optional>

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

void DecodePulse(const std::uint8_t* bytes, StoredPulse& pulse) {
    if constexpr (std::endian::native == std::endian::little) {
        // A record is packed little-endian: here its fields are its bytes as they stand.
        static_assert(sizeof pulse.timeCounter + sizeof pulse.period + sizeof pulse.samples == kRecordSize);
        std::memcpy(&pulse.timeCounter, bytes, sizeof pulse.timeCounter);
        std::memcpy(&pulse.period, bytes + 4, sizeof pulse.period);
        std::memcpy(pulse.samples.data(), bytes + 6, sizeof pulse.samples);
    } else {
        pulse.timeCounter = GetU32(bytes);
        pulse.period = GetU16(bytes + 4);
        for (std::size_t i = 0; i < pulse.samples.size(); ++i) {
            pulse.samples[i] = GetU16(bytes + 6 + 2 * i);
        }
    }
}

bool Fail(std::string& error, const char* message) {
    error = message;
    return false;
}

// Where the bytes come from: a buffer, or a file read piece by piece so that nothing is read
// before the header has been checked and a huge file is never held whole.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Exactly count bytes at offset into out; false when they cannot be had.
    virtual bool Read(std::uint64_t offset, std::size_t count, std::uint8_t* out) = 0;
};

class SpanSource : public ByteSource {
public:
    explicit SpanSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    bool Read(std::uint64_t offset, std::size_t count, std::uint8_t* out) override {
        if (offset > bytes_.size() || count > bytes_.size() - offset) {
            return false;
        }
        std::copy_n(bytes_.data() + offset, count, out);
        return true;
    }

private:
    std::span<const std::uint8_t> bytes_;
};

class StreamSource : public ByteSource {
public:
    StreamSource(std::istream& in, std::uint64_t size) : in_(in), size_(size) {}
    std::uint64_t Size() const override { return size_; }
    bool Read(std::uint64_t offset, std::size_t count, std::uint8_t* out) override {
        in_.clear();
        in_.seekg(static_cast<std::streamoff>(offset));
        in_.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(count));
        return static_cast<std::size_t>(in_.gcount()) == count;
    }

private:
    std::istream& in_;
    std::uint64_t size_;
};

// Eight running maxima side by side, which the compiler turns into vector instructions; a day's
// recording holds 71 million samples.
std::uint16_t LargestSample(const StoredPulse& pulse) {
    std::array<std::uint16_t, 8> lanes{};
    std::size_t i = 0;
    for (; i + lanes.size() <= pulse.samples.size(); i += lanes.size()) {
        for (std::size_t j = 0; j < lanes.size(); ++j) {
            lanes[j] = std::max(lanes[j], pulse.samples[i + j]);
        }
    }
    for (; i < pulse.samples.size(); ++i) {
        lanes[0] = std::max(lanes[0], pulse.samples[i]);
    }
    return *std::max_element(lanes.begin(), lanes.end());
}

// Records are read this many at a time (about 1 MB).
constexpr std::size_t kRecordsPerPiece = 2048;

// A record beyond the count that no recorder wrote: the controller's period is never zero and its
// time counter only goes forward. A zero-filled tail (a file system that grew the file before the
// crash) stops here.
bool CannotBeReal(const StoredPulse& pulse, const StoredPulse* before) {
    return pulse.period == 0 || (before != nullptr && pulse.timeCounter < before->timeCounter);
}

// Appends up to count records from offset, each decoded straight into its place, and keeps the
// file's largest sample up to date; with recovering set it stops at the first record that cannot
// be real. The number of records taken, or nothing when the bytes could not be read.
std::optional<std::size_t> ReadRecords(ByteSource& source, std::uint64_t offset, std::size_t count,
                                       bool recovering, DataFileContents& file) {
    std::vector<StoredPulse>& pulses = file.pulses;
    std::vector<std::uint8_t> piece;
    std::size_t taken = 0;
    while (taken < count) {
        const std::size_t n = std::min(kRecordsPerPiece, count - taken);
        piece.resize(n * kRecordSize);
        if (!source.Read(offset + taken * kRecordSize, piece.size(), piece.data())) {
            return std::nullopt;
        }
        for (std::size_t i = 0; i < n; ++i, ++taken) {
            StoredPulse& pulse = pulses.emplace_back();
            DecodePulse(piece.data() + i * kRecordSize, pulse);
            if (recovering && CannotBeReal(pulse, pulses.size() > 1 ? &pulses[pulses.size() - 2] : nullptr)) {
                pulses.pop_back();
                return taken;
            }
            file.largestSample = std::max(file.largestSample, LargestSample(pulse));
        }
    }
    return taken;
}

// The text after the counted records when all of it is run-log text; nothing otherwise.
std::optional<std::string> ReadLogText(ByteSource& source, std::uint64_t offset) {
    constexpr std::size_t kPiece = std::size_t{1} << 16;
    std::string text;
    std::vector<std::uint8_t> piece;
    for (std::uint64_t at = offset; at < source.Size(); at += piece.size()) {
        piece.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, source.Size() - at)));
        if (!source.Read(at, piece.size(), piece.data()) || !LooksLikeText(piece)) {
            return std::nullopt;
        }
        text.append(piece.begin(), piece.end());
    }
    return text;
}

bool ReadFrom(ByteSource& source, DataFileContents& out, std::string& error) {
    DataFileContents file;
    const std::uint64_t size = source.Size();
    std::array<std::uint8_t, kHeaderSize> head{};
    if (size < kHeaderSize) {
        const bool foreign = size >= 4 && source.Read(0, 4, head.data()) && GetU32(head.data()) != kMagic;
        return Fail(error, foreign ? messages::kDatNotDataFile : messages::kDatTooShort);
    }
    if (!source.Read(0, kHeaderSize, head.data())) {
        return Fail(error, messages::kDatUnreadable);
    }
    const std::uint8_t* p = head.data();
    file.header = {GetU32(p),      GetU16(p + 4),  GetU16(p + 6), GetU16(p + 8),
                   GetU16(p + 10), GetU16(p + 12), GetU16(p + 14)};
    if (file.header.magic != kMagic) {
        return Fail(error, messages::kDatNotDataFile);
    }

    // The block's own counts give its length; the block decoder then checks every field.
    std::vector<std::uint8_t> block(kFixedBlockSize);
    if (size - kHeaderSize < kFixedBlockSize || !source.Read(kHeaderSize, block.size(), block.data())) {
        return Fail(error, messages::kDatBadConfiguration);
    }
    const auto modes = static_cast<std::int16_t>(GetU16(block.data() + kModeCountAt));
    const auto events = static_cast<std::int32_t>(GetU32(block.data() + kEventCountAt));
    if (modes < 0 || modes > kMaxGateModes || events < 0) {
        return Fail(error, messages::kDatBadConfiguration);
    }
    const std::uint64_t blockSize =
        BlockSize(static_cast<std::uint64_t>(modes), static_cast<std::uint64_t>(events));
    if (blockSize + kCountSize > size - kHeaderSize) {
        return Fail(error, messages::kDatBadConfiguration);
    }
    // The header's 16-bit offset bounds a sound block, so a longer one is never read.
    const std::uint64_t dataOffset = kHeaderSize + blockSize + kCountSize;
    if (dataOffset > 0xFFFF || file.header.dataOffset != dataOffset) {
        return Fail(error, messages::kDatBadDataOffset);
    }
    block.resize(static_cast<std::size_t>(blockSize + kCountSize));
    if (!source.Read(kHeaderSize, block.size(), block.data())) {
        return Fail(error, messages::kDatUnreadable);
    }
    const auto blockBytes = std::span<const std::uint8_t>(block).first(static_cast<std::size_t>(blockSize));
    if (DecodeBlock(blockBytes, file.configuration) != BlockStatus::Ok) {
        return Fail(error, messages::kDatBadConfiguration);
    }
    file.configurationBytes.assign(blockBytes.begin(), blockBytes.end());
    file.storedCount = GetU32(block.data() + blockSize);

    const std::uint64_t available = (size - dataOffset) / kRecordSize;
    if (file.storedCount > available) {
        return Fail(error, messages::kDatMissingRecords);
    }
    // Room for every record the bytes could hold, so that taking more than the count never moves
    // the others; a day's recording fills a buffer of about 150 MB.
    file.pulses.reserve(static_cast<std::size_t>(available));
    AdviseHugePages(file.pulses.data(), file.pulses.capacity() * sizeof(StoredPulse));
    if (ReadRecords(source, dataOffset, file.storedCount, false, file) != file.storedCount) {
        return Fail(error, messages::kDatUnreadable);
    }
    const std::uint64_t tailAt = dataOffset + std::uint64_t{file.storedCount} * kRecordSize;
    if (auto text = ReadLogText(source, tailAt)) {
        file.runLogText = std::move(*text);
    } else {
        // Not run-log text: records the count did not reach yet, then whatever a crash left.
        const auto more =
            ReadRecords(source, tailAt, static_cast<std::size_t>(available - file.storedCount), true, file);
        if (!more) {
            return Fail(error, messages::kDatUnreadable);
        }
        file.recovered = *more > 0;
        file.strayBytes = static_cast<std::size_t>(size - tailAt - *more * kRecordSize);
    }
    out = std::move(file);
    return true;
}

} // namespace

bool ReadDataFile(std::span<const std::uint8_t> bytes, DataFileContents& out, std::string& error) {
    SpanSource source(bytes);
    return ReadFrom(source, out, error);
}

// Read, not mapped: a file cut short while it is read (another copied over it) gives a short read
// and a plain refusal here, where touching a mapped page past its new end, private mapping or not,
// ends the program with a bus error. Mapping would save only about a tenth of the decoding time.
bool ReadDataFile(const std::string& path, DataFileContents& out, std::string& error) {
    // A FIFO or device would block the open below.
    if (!IsRegularFile(path)) {
        return Fail(error, messages::kDatUnreadable);
    }
    std::ifstream in(PathFromUtf8(path), std::ios::binary | std::ios::ate);
    if (!in) {
        return Fail(error, messages::kDatUnreadable);
    }
    const std::streamoff size = in.tellg();
    if (size < 0) {
        return Fail(error, messages::kDatUnreadable);
    }
    StreamSource source(in, static_cast<std::uint64_t>(size));
    return ReadFrom(source, out, error);
}

} // namespace veltrane
