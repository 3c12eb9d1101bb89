#include "dialogs/FieldValidator.h"

#include "config/Vocabulary.h"
#include "dialogs/DialogMessages.h"
#include "live/LiveState.h"
#include "platform/NumberText.h"
#include "platform/Prompts.h"

#include <cmath>
#include <cstdlib>

namespace veltrane {

namespace {

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string WithBounds(const char* pattern, const std::string& low, const std::string& high) {
    std::string text = pattern;
    text.replace(text.find("%1"), 2, low);
    text.replace(text.find("%2"), 2, high);
    return text;
}

// A rounding step of the single-precision values the fields hold.
constexpr float kDerivedTolerance = 5e-5f;

} // namespace

std::string FieldText(float value) {
    return Format("%.6g", static_cast<double>(value));
}

std::optional<double> ParseNumber(const std::string& text) {
    double value = 0.0;
    if (!ParseDouble(Trimmed(text), value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<long> ParseInteger(const std::string& text) {
    long value = 0;
    if (!ParseWholeNumber(Trimmed(text), value)) {
        return std::nullopt;
    }
    return value;
}

std::string FieldValidator::RangeMessage(float min, float max) {
    return WithBounds(messages::kEnterNumberBetween, FieldText(min), FieldText(max));
}

std::string FieldValidator::IntegerRangeMessage(long min, long max) {
    return WithBounds(messages::kEnterIntegerBetween, std::to_string(min), std::to_string(max));
}

void FieldValidator::Refuse(const std::string& text) {
    ScopedPollingSuspend suspend(live_);
    prompts_.ShowMessage(text, MessageIcon::Warning);
}

bool FieldValidator::ReadFloat(const std::string& text, float min, float max, float& out) {
    const auto number = ParseNumber(text);
    if (!number) {
        Refuse(messages::kEnterNumber);
        return false;
    }
    const float value = static_cast<float>(*number);
    if (value < min || value > max) {
        Refuse(RangeMessage(min, max));
        return false;
    }
    out = value;
    return true;
}

bool FieldValidator::ReadInt(const std::string& text, long min, long max, long& out) {
    const auto number = ParseInteger(text);
    if (!number) {
        Refuse(messages::kEnterInteger);
        return false;
    }
    if (*number < min || *number > max) {
        Refuse(IntegerRangeMessage(min, max));
        return false;
    }
    out = *number;
    return true;
}

bool FieldValidator::CheckDerived(float value, float min, float max) {
    if (value + kDerivedTolerance < min || value - kDerivedTolerance > max) {
        Refuse(RangeMessage(min, max));
        return false;
    }
    return true;
}

} // namespace veltrane
