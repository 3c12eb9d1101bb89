#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace veltrane {

// A file written straight through the operating system, with no buffer in the program: each write
// is the system's at once, so a program killed a moment later loses nothing written before.
class DirectFile {
public:
    enum class Mode {
        New,     // create; fail with Exists when anything is at the name (a link too, even a dangling one)
        Replace, // create, or cut an existing file to nothing
        Log      // as Replace, every write appended
    };
    enum class Opened {
        Yes,
        Exists,
        Failed
    };

    DirectFile() = default;
    ~DirectFile();
    DirectFile(const DirectFile&) = delete;
    DirectFile& operator=(const DirectFile&) = delete;

    // path is UTF-8. A symbolic link at the name is never followed on Linux.
    Opened Open(const std::string& path, Mode mode);
    // Every byte at offset; false when any could not be written.
    bool WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes);
    // Every byte at the end (Log).
    bool Append(std::span<const std::uint8_t> bytes);
    bool Truncate(std::uint64_t size);
    bool Close();
    bool IsOpen() const { return handle_ != kClosed; }

private:
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t handle_ = kClosed; // a descriptor, or a HANDLE on Windows
};

// Whether a file can be made in folder (UTF-8), tried by making one and removing it again: the
// permission bits or access lists alone do not tell (a read-only medium, a virtualised folder).
bool FolderIsWritable(const std::string& folder);

} // namespace veltrane
