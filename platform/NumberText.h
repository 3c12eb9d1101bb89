#pragma once

#include <charconv>
#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

namespace veltrane {

// Numbers in files, the run log, the report, the profile and typed fields always use a decimal point:
// the desktop sets the process locale from the user's environment, which may write and read a comma.

// GCC and clang check the arguments against the format; MSVC has no such attribute.
#if defined(__GNUC__)
#define VELTRANE_PRINTF(formatIndex, firstArgument)                                                          \
    __attribute__((format(printf, formatIndex, firstArgument)))
#else
#define VELTRANE_PRINTF(formatIndex, firstArgument)
#endif

// printf-style formatting into a string, in the C locale.
std::string Format(const char* format, ...) VELTRANE_PRINTF(1, 2);
std::string FormatV(const char* format, std::va_list args) VELTRANE_PRINTF(1, 0);

// std::snprintf in the C locale.
int FormatInto(char* buffer, std::size_t size, const char* format, ...) VELTRANE_PRINTF(3, 4);

// value with at most `decimals` decimals, trailing zeros left out, never "-0": 22, 22.5, 1.005.
// Too large for fixed decimals, it has seven significant digits.
std::string DecimalText(double value, int decimals);

// A decimal number that is the whole text ("-1.5", "+2", "3e-4"), finite and in range, whatever the
// process locale: no blanks, no comma, no hex, no "inf" or "nan". False leaves value as it was.
bool ParseDouble(std::string_view text, double& value);
bool ParseFloat(std::string_view text, float& value);

// Drops the one '+' that may lead a number (from_chars takes none); false for "+-".
bool TakeLeadingPlus(std::string_view& text);

// A whole number that is the whole text ("42", "-7", "+3") and fits T; false leaves value as it was.
template <typename T> bool ParseWholeNumber(std::string_view text, T& value) {
    T parsed{};
    const char* end = text.data() + text.size();
    if (!TakeLeadingPlus(text)) {
        return false;
    }
    const auto result = std::from_chars(text.data(), end, parsed);
    if (text.empty() || result.ec != std::errc() || result.ptr != end) {
        return false;
    }
    value = parsed;
    return true;
}

} // namespace veltrane
