#include "dialogs/GateText.h"

#include "config/ConfigurationModel.h"
#include "config/Vocabulary.h"

#include <algorithm>
#include <cstdlib>

namespace veltrane {

GateTextParts ParseGateText(const std::string& text) {
    GateTextParts parts;
    const std::string name = text.substr(0, text.find('-'));
    for (std::size_t i = 0; i < kGateModeNames.size(); ++i) {
        if (name == kGateModeNames[i]) {
            parts.name = static_cast<int>(i);
            break;
        }
    }
    const auto digit = text.find_first_of("123456789");
    if (digit != std::string::npos) {
        // Digits only, so a long run saturates instead of overflowing.
        const long value = std::strtol(text.c_str() + digit, nullptr, 10);
        parts.suffix = static_cast<int>(std::min(value, 32767L));
    }
    return parts;
}

std::vector<std::string> GateModeTexts(const ConfigurationModel& config) {
    std::vector<std::string> texts;
    for (int i = 0; i < config.GateModeCount(); ++i) {
        const GateMode& mode = config.GetGateMode(i);
        texts.push_back(GateModeDisplayName(mode.name, mode.suffix));
    }
    return texts;
}

int GateNameOfValue(float value) {
    if (!(value > -1.0f && value < 32768.0f)) {
        return -1;
    }
    return static_cast<int>(value);
}

int IndexOrFirst(const std::vector<std::string>& texts, const std::string& text) {
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (texts[i] == text) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

} // namespace veltrane
