#include "config/RunLog.h"

#include "config/LogTexts.h"
#include "config/Messages.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace veltrane {

RunLog::RunLog(std::string filePath, Clock& clock, Prompts& prompts)
    : filePath_(std::move(filePath)), clock_(clock), prompts_(prompts) {}

std::string RunLog::FileNameForExecutable(const std::string& executablePath) {
    std::string base = std::filesystem::path(executablePath).stem().string();
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

    // Binary mode with explicit CR LF, so the file looks the same whatever the host's text convention.
    std::FILE* file = std::fopen(filePath_.c_str(), "ab");
    if (file == nullptr) {
        return;
    }
    std::string onDisk;
    onDisk.reserve(entry.size() + 16);
    for (const char c : entry) {
        if (c == '\n') {
            onDisk += '\r';
        }
        onDisk += c;
    }
    std::fwrite(onDisk.data(), 1, onDisk.size(), file);
    std::fclose(file);
}

} // namespace veltrane
