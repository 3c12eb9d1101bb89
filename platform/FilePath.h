#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace veltrane {

// Paths travel through the program as UTF-8 text. These turn them into what the operating system
// takes: the same bytes on Linux, UTF-16 on Windows, whose narrow calls would read the text in the
// machine's ANSI code page and lose every name outside it.
std::filesystem::path PathFromUtf8(const std::string& text);
std::string Utf8FromPath(const std::filesystem::path& path);

// std::fopen for a UTF-8 path.
std::FILE* OpenFile(const std::string& path, const char* mode);

} // namespace veltrane
