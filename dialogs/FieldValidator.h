#pragma once

#include <optional>
#include <string>

namespace veltrane {

class Prompts;
struct LiveState;

// Reads dialog field texts with range checks. A refused value shows the bounds in the
// operator's message box, with polling held off while the box is up, and the reading stops.
class FieldValidator {
public:
    FieldValidator(Prompts& prompts, LiveState& live) : prompts_(prompts), live_(live) {}

    bool ReadFloat(const std::string& text, float min, float max, float& out);
    bool ReadInt(const std::string& text, long min, long max, long& out);
    // A value already read, checked against bounds worked out from other fields. Values within
    // a rounding step of a derived bound count as on it.
    bool CheckDerived(float value, float min, float max);

    static std::string RangeMessage(float min, float max);
    static std::string IntegerRangeMessage(long min, long max);

private:
    void Refuse(const std::string& text);

    Prompts& prompts_;
    LiveState& live_;
};

// Text of a float in an edit field ("%g" with six significant digits: 0.01, 24.9, 3.3).
std::string FieldText(float value);
std::optional<double> ParseNumber(const std::string& text);
std::optional<long> ParseInteger(const std::string& text);

} // namespace veltrane
