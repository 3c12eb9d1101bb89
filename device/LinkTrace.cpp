#include "device/LinkTrace.h"

#include "platform/Clock.h"
#include "platform/FilePath.h"

#include <chrono>
#include <ctime>

namespace veltrane {

std::unique_ptr<LinkTrace> LinkTrace::Create(const std::string& path) {
    std::FILE* file = OpenFile(path, "w");
    if (file == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<LinkTrace>(new LinkTrace(file));
}

LinkTrace::~LinkTrace() {
    std::fclose(file_);
}

std::string LinkTrace::FormatLine(std::int64_t epochMs, const char* direction, const char* mark,
                                  std::span<const std::uint8_t> bytes) {
    const std::time_t seconds = static_cast<std::time_t>(epochMs / 1000);
    const std::tm parts = LocalTimeOf(seconds);
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec,
                  static_cast<int>(epochMs % 1000));
    std::string line = stamp;
    line += ' ';
    line += direction;
    line += ' ';
    line += mark;
    static const char* const digits = "0123456789ABCDEF";
    for (std::uint8_t byte : bytes) {
        line += ' ';
        line += digits[byte >> 4];
        line += digits[byte & 0xF];
    }
    return line;
}

void LinkTrace::Record(const char* direction, const char* mark, std::span<const std::uint8_t> bytes) {
    using namespace std::chrono;
    const std::int64_t now = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    const std::string line = FormatLine(now, direction, mark, bytes);
    std::fputs(line.c_str(), file_);
    std::fputc('\n', file_);
    // Flushed at once: the trace is most wanted when the program dies.
    std::fflush(file_);
}

} // namespace veltrane
