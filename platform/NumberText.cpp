#include "NumberText.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>
#include <vector>

namespace veltrane {

#if defined(_WIN32)

namespace {

_locale_t CLocale() {
    static const _locale_t c = _create_locale(LC_ALL, "C");
    return c;
}

// Length of the text, and the text cut to size (which may be 0). The C runtime's own formatting
// takes the C locale given, but rounds halves away from zero (2.125 to "2.13"); MinGW's formatting
// rounds exactly as glibc and the newer runtime do (to "2.12") but reads the process locale, so it
// is taken while that writes a point, which it does unless someone sets another locale.
int FormatCut(char* buffer, std::size_t size, const char* format, std::va_list args) {
    std::va_list copy;
    va_copy(copy, args);
#if defined(__MINGW32__)
    const char* point = std::localeconv()->decimal_point;
    if (point != nullptr && point[0] == '.' && point[1] == '\0') {
        const int length = __mingw_vsnprintf(buffer, size, format, copy);
        va_end(copy);
        return length;
    }
#endif
    const int length = _vscprintf_l(format, CLocale(), copy);
    va_end(copy);
    if (size > 0) {
        _vsnprintf_s_l(buffer, size, _TRUNCATE, format, CLocale(), args);
    }
    return length;
}

} // namespace

std::string FormatV(const char* format, std::va_list args) {
    std::va_list copy;
    va_copy(copy, args);
    const int length = FormatCut(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0) {
        return {};
    }
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    FormatCut(buffer.data(), buffer.size(), format, args);
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

int FormatInto(char* buffer, std::size_t size, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    const int length = FormatCut(buffer, size, format, args);
    va_end(args);
    return length;
}

#else

namespace {

locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return c;
}

// Switches this thread alone to the C locale, so other threads keep theirs.
class CLocaleScope {
public:
    CLocaleScope() : previous_(CLocale() != static_cast<locale_t>(0) ? uselocale(CLocale()) : nullptr) {}
    ~CLocaleScope() {
        if (previous_ != static_cast<locale_t>(0)) {
            uselocale(previous_);
        }
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t previous_;
};

} // namespace

std::string FormatV(const char* format, std::va_list args) {
    const CLocaleScope scope;
    std::va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0) {
        return {};
    }
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

int FormatInto(char* buffer, std::size_t size, const char* format, ...) {
    const CLocaleScope scope;
    std::va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(buffer, size, format, args);
    va_end(args);
    return length;
}

#endif

std::string Format(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::string text = FormatV(format, args);
    va_end(args);
    return text;
}

namespace {

template <typename T> bool ParseDecimal(std::string_view text, T& value) {
    if (!TakeLeadingPlus(text)) {
        return false;
    }
    T parsed{};
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, parsed, std::chars_format::general);
    if (text.empty() || result.ec != std::errc() || result.ptr != end || !std::isfinite(parsed)) {
        return false;
    }
    value = parsed;
    return true;
}

} // namespace

bool TakeLeadingPlus(std::string_view& text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        return text.empty() || text.front() != '-';
    }
    return true;
}

bool ParseDouble(std::string_view text, double& value) {
    return ParseDecimal(text, value);
}

bool ParseFloat(std::string_view text, float& value) {
    return ParseDecimal(text, value);
}

std::string DecimalText(double value, int decimals) {
    char buffer[48];
    int length = FormatInto(buffer, sizeof buffer, "%.*f", decimals, value);
    if (length <= 0 || length >= static_cast<int>(sizeof buffer)) {
        length = FormatInto(buffer, sizeof buffer, "%.7g", value);
    } else if (decimals > 0) {
        while (buffer[length - 1] == '0') {
            --length;
        }
        if (buffer[length - 1] == '.') {
            --length;
        }
    }
    std::string text(buffer, static_cast<std::size_t>(std::max(length, 0)));
    return text == "-0" ? std::string("0") : text;
}

} // namespace veltrane
