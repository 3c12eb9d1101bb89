#include "Clock.h"
#include "DiskSpace.h"
#include "FilePath.h"
#include "NumberText.h"
#include "Profile.h"
#include "Prompts.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <thread>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace veltrane {

void ConsolePrompts::ShowMessage(const std::string& text, MessageIcon /*icon*/) {
    std::cerr << text << '\n';
}

bool ConsolePrompts::AskWarning(const std::string& text) {
    std::cerr << text << " [No]\n";
    return false;
}

std::int64_t SystemClock::NowMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::tm LocalTimeOf(std::time_t moment) {
    std::tm parts{};
#if defined(_WIN32)
    localtime_s(&parts, &moment);
#else
    localtime_r(&moment, &parts);
#endif
    return parts;
}

LocalDateTime SystemClock::LocalNow() const {
    const std::tm parts = LocalTimeOf(std::time(nullptr));
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec};
}

SystemClock& SystemClock::Instance() {
    static SystemClock clock;
    return clock;
}

void SystemSleeper::SleepMs(int milliseconds) {
    if (milliseconds > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
}

SystemSleeper& SystemSleeper::Instance() {
    static SystemSleeper sleeper;
    return sleeper;
}

std::optional<std::uint64_t> SystemDiskSpace::FreeBytes(const std::string& directory) const {
#if defined(_WIN32)
    const std::filesystem::path folder = PathFromUtf8(directory.empty() ? "." : directory);
    ULARGE_INTEGER available{};
    if (folder.empty() || !::GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(available.QuadPart);
#else
    std::error_code error;
    const auto info = std::filesystem::space(directory.empty() ? "." : directory, error);
    if (error) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.available);
#endif
}

SystemDiskSpace& SystemDiskSpace::Instance() {
    static SystemDiskSpace space;
    return space;
}

int Profile::GetInt(const std::string& section, const std::string& key, int fallback) const {
    const std::string text = GetString(section, key, "");
    int value = fallback;
    ParseWholeNumber(text, value);
    return value;
}

void Profile::SetInt(const std::string& section, const std::string& key, int value) {
    SetString(section, key, std::to_string(value));
}

std::string MemoryProfile::GetString(const std::string& section, const std::string& key,
                                     const std::string& fallback) const {
    auto found = values_.find(section + '\n' + key);
    return found == values_.end() ? fallback : found->second;
}

void MemoryProfile::SetString(const std::string& section, const std::string& key, const std::string& value) {
    values_[section + '\n' + key] = value;
}

} // namespace veltrane
