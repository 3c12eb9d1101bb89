#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace veltrane {

// Free space of the file system holding a directory.
class DiskSpace {
public:
    virtual ~DiskSpace() = default;
    // Bytes available to this user, or nothing when the directory cannot be queried.
    virtual std::optional<std::uint64_t> FreeBytes(const std::string& directory) const = 0;
};

class SystemDiskSpace : public DiskSpace {
public:
    std::optional<std::uint64_t> FreeBytes(const std::string& directory) const override;
    static SystemDiskSpace& Instance();
};

} // namespace veltrane
