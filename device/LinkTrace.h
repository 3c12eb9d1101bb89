#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

namespace veltrane {

// Protocol trace for diagnosing a line in the field: one frame per line, with the local
// time to the millisecond, the direction, what became of the frame and its bytes in hex.
//   2026-03-09 14:05:07.123 TX sent 02 3C 10 03 F7 DF
//   2026-03-09 14:05:07.141 RX good 02 00 00 00 00 3C ...
class LinkTrace {
public:
    // Nothing when the file cannot be created.
    static std::unique_ptr<LinkTrace> Create(const std::string& path);
    ~LinkTrace();
    LinkTrace(const LinkTrace&) = delete;
    LinkTrace& operator=(const LinkTrace&) = delete;

    void Record(const char* direction, const char* mark, std::span<const std::uint8_t> bytes);

    // One line without its end, for a given wall-clock time in milliseconds since the epoch.
    static std::string FormatLine(std::int64_t epochMs, const char* direction, const char* mark,
                                  std::span<const std::uint8_t> bytes);

private:
    explicit LinkTrace(std::FILE* file) : file_(file) {}
    std::FILE* file_;
};

} // namespace veltrane
