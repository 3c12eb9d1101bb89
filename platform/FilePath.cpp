#include "platform/FilePath.h"

#include <cstring>
#include <exception>

namespace veltrane {

#if defined(_WIN32)

std::filesystem::path PathFromUtf8(const std::string& text) {
    std::u8string utf8(text.size(), u8'\0');
    std::memcpy(utf8.data(), text.data(), text.size());
    try {
        return std::filesystem::path(utf8);
    } catch (const std::exception&) {
        return {}; // not UTF-8: no file has that name, and opening nothing fails
    }
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    std::u8string utf8;
    try {
        utf8 = path.u8string();
    } catch (const std::exception&) {
        return {}; // a lone UTF-16 surrogate
    }
    return std::string(reinterpret_cast<const char*>(utf8.data()), utf8.size());
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
    const std::filesystem::path wide = PathFromUtf8(path);
    std::wstring wideMode(mode, mode + std::strlen(mode));
    return ::_wfopen(wide.c_str(), wideMode.c_str());
}

#else

std::filesystem::path PathFromUtf8(const std::string& text) {
    return std::filesystem::path(text);
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    return path.string();
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

#endif

} // namespace veltrane
