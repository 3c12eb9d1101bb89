#include "platform/DirectFile.h"

#include "platform/FilePath.h"
#include "platform/Process.h"

#include <algorithm>
#include <cerrno>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace veltrane {

DirectFile::~DirectFile() {
    Close();
}

bool FolderIsWritable(const std::string& folder) {
    const std::string probe = folder + "/.veltrane-probe-" + std::to_string(CurrentProcessId());
    DirectFile file;
    if (file.Open(probe, DirectFile::Mode::New) != DirectFile::Opened::Yes) {
        return false;
    }
    file.Close();
    std::error_code error;
    std::filesystem::remove(PathFromUtf8(probe), error);
    return true;
}

#if defined(_WIN32)

namespace {

HANDLE Native(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// WriteFile moves at most 4 GiB less one byte per call.
bool WriteAll(HANDLE file, std::span<const std::uint8_t> bytes, const std::uint64_t* offset) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        OVERLAPPED at{};
        if (offset != nullptr) {
            const std::uint64_t position = *offset + done;
            at.Offset = static_cast<DWORD>(position & 0xFFFFFFFFu);
            at.OffsetHigh = static_cast<DWORD>(position >> 32);
        }
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data() + done, chunk, &written, offset != nullptr ? &at : nullptr) ||
            written == 0) {
            return false; // ERROR_DISK_FULL, a removed medium ...
        }
        done += written;
    }
    return true;
}

} // namespace

DirectFile::Opened DirectFile::Open(const std::string& path, Mode mode) {
    Close();
    const std::filesystem::path wide = PathFromUtf8(path);
    if (wide.empty()) {
        return Opened::Failed;
    }
    const DWORD access = mode == Mode::Log ? FILE_APPEND_DATA : GENERIC_WRITE;
    const DWORD disposition = mode == Mode::New ? CREATE_NEW : CREATE_ALWAYS;
    // Others may read the file while it is written (a viewer of a recording in progress).
    const HANDLE file =
        ::CreateFileW(wide.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? Opened::Exists : Opened::Failed;
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
    return Opened::Yes;
}

bool DirectFile::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    return IsOpen() && WriteAll(Native(handle_), bytes, &offset);
}

bool DirectFile::Append(std::span<const std::uint8_t> bytes) {
    return IsOpen() && WriteAll(Native(handle_), bytes, nullptr);
}

bool DirectFile::Truncate(std::uint64_t size) {
    if (!IsOpen()) {
        return false;
    }
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(size);
    return ::SetFilePointerEx(Native(handle_), end, nullptr, FILE_BEGIN) && ::SetEndOfFile(Native(handle_));
}

bool DirectFile::Close() {
    if (!IsOpen()) {
        return true;
    }
    const bool closed = ::CloseHandle(Native(handle_)) != 0;
    handle_ = kClosed;
    return closed;
}

#else

namespace {

int Descriptor(std::intptr_t handle) {
    return static_cast<int>(handle);
}

// Repeats write(bytes already done) until every byte is written or one fails.
template <typename Write> bool WriteAll(std::span<const std::uint8_t> bytes, Write write) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(done);
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

} // namespace

DirectFile::Opened DirectFile::Open(const std::string& path, Mode mode) {
    Close();
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC;
    ::mode_t permissions = 0666;
    switch (mode) {
    case Mode::New:
        flags |= O_EXCL | O_NOFOLLOW;
        break;
    case Mode::Replace:
        flags |= O_TRUNC | O_NOFOLLOW;
        break;
    case Mode::Log:
        flags |= O_TRUNC | O_APPEND;
        permissions = 0644;
        break;
    }
    int fd = -1;
    do {
        fd = ::open(path.c_str(), flags, permissions);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return errno == EEXIST || errno == ELOOP ? Opened::Exists : Opened::Failed;
    }
    handle_ = fd;
    return Opened::Yes;
}

bool DirectFile::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    return IsOpen() && WriteAll(bytes, [&](std::size_t done) {
               return ::pwrite(Descriptor(handle_), bytes.data() + done, bytes.size() - done,
                               static_cast<off_t>(offset + done));
           });
}

bool DirectFile::Append(std::span<const std::uint8_t> bytes) {
    return IsOpen() && WriteAll(bytes, [&](std::size_t done) {
               return ::write(Descriptor(handle_), bytes.data() + done, bytes.size() - done);
           });
}

bool DirectFile::Truncate(std::uint64_t size) {
    return IsOpen() && ::ftruncate(Descriptor(handle_), static_cast<off_t>(size)) == 0;
}

bool DirectFile::Close() {
    if (!IsOpen()) {
        return true;
    }
    const int result = ::close(Descriptor(handle_));
    handle_ = kClosed;
    return result == 0;
}

#endif

} // namespace veltrane
