#include "config/ConfigurationFile.h"

#include "platform/FilePath.h"
#include "platform/RegularFile.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

#if !defined(_WIN32)
#include <signal.h>
#include <unistd.h>
#endif

namespace veltrane {

namespace fs = std::filesystem;

FileReadStatus ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                             std::uint64_t maxSize) {
    std::FILE* file = OpenRegularFile(path);
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

#if !defined(_WIN32)
// "<pid>-<counter>" and nothing else: the tail TemporaryNameFor gives; the pid when it is one.
long SavingPid(std::string_view tail) {
    const std::size_t dash = tail.find('-');
    long pid = 0;
    unsigned long counter = 0;
    if (dash == std::string_view::npos || dash == 0 || dash + 1 == tail.size()) {
        return 0;
    }
    const char* end = tail.data() + tail.size();
    const auto [pidEnd, pidError] = std::from_chars(tail.data(), tail.data() + dash, pid);
    const auto [counterEnd, counterError] = std::from_chars(tail.data() + dash + 1, end, counter);
    if (pidError != std::errc{} || pidEnd != tail.data() + dash || counterError != std::errc{} ||
        counterEnd != end) {
        return 0;
    }
    return pid > 0 ? pid : 0;
}
#endif

// A save killed half-way leaves its temporary file beside the target for good. Remove those of
// this target whose process is gone; a live process may still be saving.
void RemoveStaleTemporaries(const std::string& path) {
#if !defined(_WIN32)
    const fs::path target(path);
    const std::string prefix = target.filename().string() + ".saving-";
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::vector<fs::path> stale;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        const long pid = SavingPid(std::string_view(name).substr(prefix.size()));
        std::error_code typeError;
        if (pid != 0 && pid != static_cast<long>(::getpid()) && it->is_regular_file(typeError) &&
            !it->is_symlink(typeError) && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            stale.push_back(it->path());
        }
    }
    for (const fs::path& file : stale) {
        fs::remove(file, error);
    }
#else
    (void)path;
#endif
}

bool WriteAndSync(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* file = OpenFile(path, "wb");
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
    RemoveStaleTemporaries(path);
    const std::string temporary = TemporaryNameFor(path);
    std::error_code error;
    if (!WriteAndSync(temporary, bytes)) {
        fs::remove(PathFromUtf8(temporary), error);
        return false;
    }
    // Keep the permissions the operator gave the old file.
    const fs::file_status old = fs::status(PathFromUtf8(path), error);
    if (!error && fs::exists(old)) {
        fs::permissions(PathFromUtf8(temporary), old.permissions(), error);
    }
    fs::rename(PathFromUtf8(temporary), PathFromUtf8(path), error);
    if (error) {
        fs::remove(PathFromUtf8(temporary), error);
        return false;
    }
    return true;
}

} // namespace veltrane
