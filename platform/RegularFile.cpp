#include "RegularFile.h"

#include "FilePath.h"

#include <filesystem>
#include <system_error>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace veltrane {

std::FILE* OpenRegularFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(std::filesystem::status(PathFromUtf8(path), error))) {
        return nullptr;
    }
#if defined(_WIN32)
    return OpenFile(path, "rb");
#else
    // The name may have been replaced since: the open must not wait for a FIFO's writer, and the
    // descriptor itself is checked again.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct stat info {};
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        ::close(fd);
    }
    return file;
#endif
}

bool IsRegularFile(const std::string& path) {
    std::FILE* file = OpenRegularFile(path);
    if (file == nullptr) {
        return false;
    }
    std::fclose(file);
    return true;
}

} // namespace veltrane
