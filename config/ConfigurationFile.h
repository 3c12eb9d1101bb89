#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltrane {

enum class FileReadStatus {
    Ok,
    Unavailable, // missing, unreadable, empty or not a regular file
    TooLarge     // larger than any configuration the program could use
};

// No real configuration comes near this; refusing early keeps a stray huge file out of memory.
inline constexpr std::uint64_t kMaxConfigurationFileSize = 64ull * 1024 * 1024;

// Reads a whole file of at most maxSize bytes.
FileReadStatus ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                             std::uint64_t maxSize = kMaxConfigurationFileSize);

// Replaces path with bytes without ever leaving a half-written file under that name: the bytes go
// to a temporary file in the same folder, which is flushed to disk and then renamed over path.
// On failure path is untouched, the temporary file is removed and the result is false. Temporary
// files of this target left by a save whose process is gone are removed first.
bool WriteFileReplacing(const std::string& path, const std::vector<std::uint8_t>& bytes);

} // namespace veltrane
