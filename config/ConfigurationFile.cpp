#include "config/ConfigurationFile.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <system_error>

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace veltrane {

namespace fs = std::filesystem;

FileReadStatus ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                             std::uint64_t maxSize) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return FileReadStatus::Unavailable;
    }
    std::vector<std::uint8_t> data;
    std::uint8_t buffer[8192];
    FileReadStatus status = FileReadStatus::Ok;
    for (;;) {
        const std::size_t count = std::fread(buffer, 1, sizeof buffer, file);
        data.insert(data.end(), buffer, buffer + count);
        if (data.size() > maxSize) {
            status = FileReadStatus::TooLarge;
            break;
        }
        if (count < sizeof buffer) {
            if (std::ferror(file) != 0) {
                status = FileReadStatus::Unavailable;
            }
            break;
        }
    }
    std::fclose(file);
    if (status == FileReadStatus::Ok && data.empty()) {
        status = FileReadStatus::Unavailable;
    }
    if (status == FileReadStatus::Ok) {
        bytes = std::move(data);
    }
    return status;
}

namespace {

std::string TemporaryNameFor(const std::string& path) {
    static std::atomic<unsigned> counter{0};
#if defined(_WIN32)
    const long id = 0;
#else
    const long id = static_cast<long>(::getpid());
#endif
    return path + ".saving-" + std::to_string(id) + "-" + std::to_string(counter++);
}

bool WriteAndSync(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fflush(file) == 0 && ok;
#if !defined(_WIN32)
    // The rename must not reach the disk before the data does.
    ok = ok && ::fsync(::fileno(file)) == 0;
#endif
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

} // namespace

bool WriteFileReplacing(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    const std::string temporary = TemporaryNameFor(path);
    std::error_code error;
    if (!WriteAndSync(temporary, bytes)) {
        fs::remove(temporary, error);
        return false;
    }
    // Keep the permissions the operator gave the old file.
    const fs::file_status old = fs::status(path, error);
    if (!error && fs::exists(old)) {
        fs::permissions(temporary, old.permissions(), error);
    }
    fs::rename(temporary, path, error);
    if (error) {
        fs::remove(temporary, error);
        return false;
    }
    return true;
}

} // namespace veltrane
