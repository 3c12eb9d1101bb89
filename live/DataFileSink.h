#pragma once

#include "platform/DirectFile.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace veltrane {

// The open data file as the recorder writes it: positioned writes, so the record count can be
// rewritten in place after every record without moving the append position.
class DataFileSink {
public:
    enum class Created {
        Yes,
        Exists, // a file of that name is there and replace was not given
        Link,   // the name is a symbolic link: never followed, never replaced
        Failed
    };
    virtual ~DataFileSink() = default;
    // Creates the file for writing. An existing file is truncated only with replace.
    virtual Created Create(const std::string& path, bool replace) = 0;
    // Writes every byte at offset; false when any could not be written.
    virtual bool WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) = 0;
    // Cuts the file back to size (drops a half-written record after a failed write).
    virtual bool Truncate(std::uint64_t size) = 0;
    virtual bool Close() = 0;
    virtual bool IsOpen() const = 0;
};

// A DirectFile: each write goes to the operating system at once, so a program killed
// mid-recording leaves every record written before it on disk.
class SystemDataFileSink : public DataFileSink {
public:
    SystemDataFileSink() = default;
    ~SystemDataFileSink() override;
    SystemDataFileSink(const SystemDataFileSink&) = delete;
    SystemDataFileSink& operator=(const SystemDataFileSink&) = delete;

    Created Create(const std::string& path, bool replace) override;
    bool WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override;
    bool Truncate(std::uint64_t size) override;
    bool Close() override;
    bool IsOpen() const override { return file_.IsOpen(); }

private:
    DirectFile file_;
};

} // namespace veltrane
