#include "live/DataFileSink.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

namespace veltrane {

SystemDataFileSink::~SystemDataFileSink() {
    Close();
}

bool SystemDataFileSink::Create(const std::string& path) {
    Close();
    do {
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } while (fd_ < 0 && errno == EINTR);
    return fd_ >= 0;
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
