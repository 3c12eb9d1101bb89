#include "live/DataFileSink.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/types.h>
#include <system_error>
#include <unistd.h>

namespace veltrane {

SystemDataFileSink::~SystemDataFileSink() {
    Close();
}

namespace {

#if defined(_WIN32)
constexpr int kNoFollow = 0; // the C runtime's open has no such flag
#else
constexpr int kNoFollow = O_NOFOLLOW;
#endif

// What is at the name now, links not followed.
std::filesystem::file_type TypeAt(const std::string& path) {
    std::error_code error;
    return std::filesystem::symlink_status(path, error).type();
}

} // namespace

// A link at the name (even one pointing nowhere) would send the recording wherever it points:
// it is refused, and a new file is created only where nothing is (O_EXCL).
DataFileSink::Created SystemDataFileSink::Create(const std::string& path, bool replace) {
    Close();
    const auto type = TypeAt(path);
    if (type == std::filesystem::file_type::symlink) {
        return Created::Link;
    }
    if (type != std::filesystem::file_type::not_found && type != std::filesystem::file_type::none) {
        if (!replace) {
            return Created::Exists;
        }
        if (type != std::filesystem::file_type::regular) {
            return Created::Failed; // a folder, a FIFO or a device is never a data file
        }
    }
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | kNoFollow | (replace ? O_TRUNC : O_EXCL);
    do {
        fd_ = ::open(path.c_str(), flags, 0666);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ >= 0) {
        return Created::Yes;
    }
    // Something appeared at the name since it was looked at.
    if (errno == EEXIST || errno == ELOOP) {
        return TypeAt(path) == std::filesystem::file_type::symlink ? Created::Link : Created::Exists;
    }
    return Created::Failed;
}

bool SystemDataFileSink::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    if (fd_ < 0) {
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false; // ENOSPC, EIO from removed media, EFBIG ...
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool SystemDataFileSink::Truncate(std::uint64_t size) {
    return fd_ >= 0 && ::ftruncate(fd_, static_cast<off_t>(size)) == 0;
}

bool SystemDataFileSink::Close() {
    if (fd_ < 0) {
        return true;
    }
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0;
}

} // namespace veltrane
