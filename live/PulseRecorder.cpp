#include "live/PulseRecorder.h"

#include "config/ConfigurationBlock.h"
#include "config/ConfigurationModel.h"
#include "datafile/DataFileFormat.h"
#include "live/DataFileNaming.h"
#include "live/LiveMessages.h"
#include "live/LiveState.h"
#include "platform/Clock.h"
#include "platform/DiskSpace.h"
#include "platform/Prompts.h"

namespace veltrane {

using namespace datafile;

PulseRecorder::PulseRecorder(ConfigurationModel& config, LiveState& state, Prompts& prompts,
                             const Clock& clock, const DiskSpace& disk, std::unique_ptr<DataFileSink> sink)
    : config_(config), state_(state), prompts_(prompts), clock_(clock), disk_(disk),
      sink_(sink ? std::move(sink) : std::make_unique<SystemDataFileSink>()) {
    buffer_.reserve(kRecordSize);
}

PulseRecorder::~PulseRecorder() {
    if (open_) {
        // Leaving without Close (the program is ending): the count is already current.
        CloseFile();
    }
}

bool PulseRecorder::CheckLimits() {
    const double bytes = open_ ? static_cast<double>(end_) : 0.0;
    state_.currentFileSizeMB = static_cast<float>(bytes / kBytesPerMB);
    bool ok = true;
    if (state_.currentFileSizeMB > state_.maxDataFileMB) {
        prompts_.ShowMessage(messages::kMaxFileSizeExceeded);
        ok = false;
    }
    // A drive that cannot be asked is left to the writes: a failed write stops the recording too.
    const auto freeBytes = disk_.FreeBytes(state_.dataDriveRoot);
    if (freeBytes && static_cast<double>(*freeBytes) / kBytesPerMB < state_.minDiskFreeMB) {
        prompts_.ShowMessage(messages::kMinDiskFreeReached);
        ok = false;
    }
    return ok;
}

bool PulseRecorder::Open(const std::string& path, bool replaceConfirmed) {
    if (open_) {
        Close();
    }
    const LocalDateTime now = clock_.LocalNow();
    runLogStart_ = config_.RunLogEntries().size();
    recordCount_ = 0;
    end_ = 0;
    state_.runTime = 0.0f;

    // The limits are checked before the file is created, so a drive already at its limit
    // is left without an empty data file on it.
    if (!CheckLimits()) {
        return false;
    }
    if (!CreateDataFile(path, replaceConfirmed)) {
        return false;
    }
    createFailureShown_ = false;
    open_ = true;
    path_ = path;

    std::vector<std::uint8_t> header;
    PutU32(header, kMagic);
    PutU16(header, 0); // data offset, written below once the block's length is known
    PutU16(header, static_cast<std::uint16_t>(now.hour));
    PutU16(header, static_cast<std::uint16_t>(now.minute));
    PutU16(header, static_cast<std::uint16_t>(now.year));
    PutU16(header, static_cast<std::uint16_t>(now.month));
    PutU16(header, static_cast<std::uint16_t>(now.day));
    const std::vector<std::uint8_t> block = config_.StoreBlock();
    header.insert(header.end(), block.begin(), block.end());
    countOffset_ = header.size();
    PutU32(header, 0);
    if (!sink_->WriteAt(0, header)) {
        FailWrite();
        return false;
    }
    end_ = header.size();
    if (!WriteCountAndOffset()) {
        FailWrite();
        return false;
    }
    state_.currentFileSizeMB = static_cast<float>(static_cast<double>(end_) / kBytesPerMB);
    return true;
}

bool PulseRecorder::CreateDataFile(const std::string& path, bool replaceConfirmed) {
    auto created = sink_->Create(path, replaceConfirmed);
    // A file that appeared after the name was chosen is replaced only on the operator's word.
    if (created == DataFileSink::Created::Exists &&
        prompts_.AskWarning(datafilenaming::ReplaceQuestion(path))) {
        created = sink_->Create(path, true);
    }
    if (created == DataFileSink::Created::Link) {
        prompts_.ShowMessage(messages::kDataFileIsLink, MessageIcon::Warning);
    } else if (created == DataFileSink::Created::Failed && !createFailureShown_) {
        prompts_.ShowMessage(messages::kDataFileCreateFailed);
        createFailureShown_ = true;
    }
    return created == DataFileSink::Created::Yes;
}

bool PulseRecorder::Append(const PulseRecord& record) {
    if (!open_) {
        return false;
    }
    if (!CheckLimits()) {
        WriteCountAndOffset();
        CloseFile();
        return false;
    }
    buffer_.clear();
    EncodeRecord(record, buffer_);
    if (!sink_->WriteAt(end_, buffer_)) {
        FailWrite();
        return false;
    }
    ++recordCount_;
    // The record is on disk before the count that includes it, so an interrupted file never
    // claims a record it does not hold.
    if (!WriteCountAndOffset()) {
        --recordCount_;
        FailWrite();
        return false;
    }
    end_ += kRecordSize;
    return true;
}

bool PulseRecorder::Close() {
    if (!open_) {
        return false;
    }
    bool ok = CheckLimits();
    if (ok) {
        std::string text;
        const auto& entries = config_.RunLogEntries();
        for (std::size_t i = runLogStart_; i < entries.size(); ++i) {
            text += entries[i];
        }
        const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                                                  text.size());
        if (!bytes.empty() && !sink_->WriteAt(end_, bytes)) {
            FailWrite();
            state_.runTime = 0.0f;
            return false;
        }
        end_ += bytes.size();
    }
    if (!WriteCountAndOffset()) {
        FailWrite();
        state_.runTime = 0.0f;
        return false;
    }
    CloseFile();
    state_.runTime = 0.0f;
    return ok;
}

bool PulseRecorder::WriteCountAndOffset() {
    std::vector<std::uint8_t> count;
    PutU32(count, recordCount_);
    std::vector<std::uint8_t> offset;
    // The field is 16 bits wide; the block never grows past what the controller can hold.
    static_assert(kHeaderSize + BlockSize(kMaxGateModes, kMaxTimedEventCount) + kCountSize <= 0xFFFF);
    PutU16(offset, static_cast<std::uint16_t>(countOffset_ + kCountSize));
    return sink_->WriteAt(countOffset_, count) && sink_->WriteAt(kDataOffsetField, offset);
}

std::uint64_t PulseRecorder::RecordsEnd() const {
    return countOffset_ + kCountSize + static_cast<std::uint64_t>(recordCount_) * kRecordSize;
}

void PulseRecorder::FailWrite() {
    // Leave a file that reads back cleanly: whole counted records only, the count in place.
    if (end_ > 0) {
        sink_->Truncate(RecordsEnd());
        WriteCountAndOffset();
        end_ = RecordsEnd();
    }
    CloseFile();
    prompts_.ShowMessage(messages::kDataFileWriteFailed, MessageIcon::Warning);
}

void PulseRecorder::CloseFile() {
    sink_->Close();
    open_ = false;
}

} // namespace veltrane
