#pragma once

#include "live/DataFileSink.h"
#include "protocol/PulseRecord.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace veltrane {

class Clock;
class ConfigurationModel;
class DiskSpace;
class Prompts;
struct LiveState;

// Owns the open data file of a running recording: the header with the configuration block,
// one 506-byte record per pulse, and at a regular close the run-log entries written while the
// file was open. The record count in the file is kept current after every record.
class PulseRecorder {
public:
    PulseRecorder(ConfigurationModel& config, LiveState& state, Prompts& prompts, const Clock& clock,
                  const DiskSpace& disk, std::unique_ptr<DataFileSink> sink = nullptr);
    ~PulseRecorder();
    PulseRecorder(const PulseRecorder&) = delete;
    PulseRecorder& operator=(const PulseRecorder&) = delete;

    // Creates the file and writes the header; false (file closed) when it cannot be created
    // or written or a limit is already reached. A symbolic link at the name is refused; a file
    // already there is replaced when the operator confirmed that before, else after asking.
    bool Open(const std::string& path, bool replaceConfirmed = false);
    // Checks the limits and writes one record. False when no file is open, or when a limit or
    // a failed write ended the file (it is then complete and closed).
    bool Append(const PulseRecord& record);
    // Writes the run-log text (unless a limit is reached) and closes the file.
    bool Close();
    // The size and free-space limits; shows their messages. Updates the current file size.
    bool CheckLimits();

    // The next file that cannot be created is reported again (a new start by the operator).
    void ReportNextCreateFailure() { createFailureShown_ = false; }

    bool IsOpen() const { return open_; }
    std::uint32_t RecordCount() const { return recordCount_; }
    const std::string& Path() const { return path_; }

private:
    bool CreateDataFile(const std::string& path, bool replaceConfirmed);
    bool WriteCountAndOffset();
    // The end of the last counted record: what a failed write is cut back to.
    std::uint64_t RecordsEnd() const;
    void FailWrite();
    void CloseFile();

    ConfigurationModel& config_;
    LiveState& state_;
    Prompts& prompts_;
    const Clock& clock_;
    const DiskSpace& disk_;
    std::unique_ptr<DataFileSink> sink_;

    bool open_ = false;
    // A folder that cannot be written is said once, not at every automatic restart.
    bool createFailureShown_ = false;
    std::string path_;
    std::size_t runLogStart_ = 0;
    std::uint32_t recordCount_ = 0;
    std::uint64_t countOffset_ = 0;
    std::uint64_t end_ = 0;
    std::vector<std::uint8_t> buffer_; // one record, reused
};

} // namespace veltrane
