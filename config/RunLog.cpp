#include "config/RunLog.h"

#include "config/LogTexts.h"
#include "config/Messages.h"
#include "platform/Clock.h"
#include "platform/FilePath.h"
#include "platform/Prompts.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace veltrane {

RunLog::RunLog(std::string filePath, Clock& clock, Prompts& prompts)
    : filePath_(std::move(filePath)), clock_(clock), prompts_(prompts) {}

std::string RunLog::FileNameForExecutable(const std::string& executablePath) {
    std::string base = Utf8FromPath(PathFromUtf8(executablePath).stem());
    if (base.empty()) {
        base = "veltrane";
    }
    return base + ".log";
}

void RunLog::Write(const std::string& text) {
    if (!enabled_) {
        return;
    }
    const LocalDateTime now = clock_.LocalNow();

    std::error_code error;
    const bool exists = std::filesystem::exists(filePath_, error) && !error;
    std::uintmax_t size = 0;
    if (exists) {
        size = std::filesystem::file_size(filePath_, error);
        if (error) {
            size = 0;
        }
    }
    const std::string separator = size > 0 ? "\n\n" : "";
    const std::string entry = separator + LogDate(now) + "  " + LogTime(now) + "\n" + text;
    entries_.push_back(entry);

    if (!exists) {
        prompts_.ShowMessage(messages::kUnableToFind + filePath_ + messages::kWillBeRecreated);
    }

    std::string onDisk;
    onDisk.reserve(entry.size() + 16);
    for (const char c : entry) {
        if (c == '\n') {
            onDisk += '\r';
        }
        onDisk += c;
    }
    if (Append(onDisk)) {
        failureReported_ = false;
    } else if (!failureReported_) {
        failureReported_ = true;
        prompts_.ShowMessage(messages::kUnableToWrite + filePath_ + messages::kRunLogNotSaved,
                             MessageIcon::Warning);
    }
}

bool RunLog::Append(const std::string& bytes) {
    // Opening a FIFO for writing would wait for a reader.
    std::error_code error;
    const std::filesystem::file_type type = std::filesystem::status(filePath_, error).type();
    if (type != std::filesystem::file_type::regular && type != std::filesystem::file_type::not_found) {
        return false;
    }
    // Binary mode with explicit CR LF, so the file looks the same whatever the host's text convention.
    std::FILE* file = OpenFile(filePath_, "ab");
    if (file == nullptr) {
        return false;
    }
    // Unbuffered, so the entry goes out in one write and a failure shows here, not at the close.
    std::setvbuf(file, nullptr, _IONBF, 0);
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long before = ok ? std::ftell(file) : -1;
    ok = before >= 0 && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok && before >= 0) {
        // A full disk may have taken part of the entry: never leave it torn.
        std::filesystem::resize_file(filePath_, static_cast<std::uintmax_t>(before), error);
    }
    return ok;
}

} // namespace veltrane
