#include "config/Vocabulary.h"

#include "config/Messages.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace veltrane {

std::string TableText(std::span<const char* const> table, long long index) {
    if (index < 0 || static_cast<unsigned long long>(index) >= table.size()) {
        return messages::kUnknownIndex;
    }
    return table[static_cast<std::size_t>(index)];
}

std::string GateModeDisplayName(int name, int suffix) {
    if (static_cast<unsigned>(name) >= kGateModeNames.size()) {
        return messages::kUnknownIndex;
    }
    const char* text = kGateModeNames[static_cast<std::size_t>(name)];
    if (suffix > 1) {
        return Format("%s-%d", text, suffix);
    }
    return text;
}

std::optional<int> AttenuationFactor(long long exponent) {
    if (exponent < 0 || exponent > 30) {
        return std::nullopt;
    }
    return 1 << exponent;
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (length > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        text.assign(buffer.data(), static_cast<std::size_t>(length));
    }
    va_end(args);
    return text;
}

} // namespace veltrane
