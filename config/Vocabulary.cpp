#include "config/Vocabulary.h"

#include "config/Messages.h"

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

} // namespace veltrane
