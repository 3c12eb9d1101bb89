#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

namespace veltrane {

// Numbers in files, the run log, the report, the profile and typed fields always use a decimal point:
// the desktop sets the process locale from the user's environment, which may write and read a comma.

// printf-style formatting into a string, in the C locale.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* format, std::va_list args) __attribute__((format(printf, 1, 0)));

// std::snprintf in the C locale.
int FormatInto(char* buffer, std::size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));

// value with at most `decimals` decimals, trailing zeros left out, never "-0": 22, 22.5, 1.005.
// Too large for fixed decimals, it has seven significant digits.
std::string DecimalText(double value, int decimals);

// std::strtod / std::strtof in the C locale (same leading blanks, errno and end pointer).
double ParseDouble(const char* text, char** end);
float ParseFloat(const char* text, char** end);

} // namespace veltrane
