#pragma once

#include <optional>
#include <string>
#include <vector>

namespace veltrane {

// A gate mode's display text ("S", "S-2") taken apart again.
struct GateTextParts {
    std::optional<int> name; // index in the gate-mode name table; empty when the name is unknown
    int suffix = 1;
};

// The name is the text before the first "-" (all of it when there is none); the suffix is
// the number starting at the first of the characters 1 to 9 (1 when there is none).
GateTextParts ParseGateText(const std::string& text);

// Display texts of the configuration's gate modes, in list order.
class ConfigurationModel;
std::vector<std::string> GateModeTexts(const ConfigurationModel& config);

// The gate-mode name index a Gate event's value stands for (truncated); -1 when it is no
// number an index could be.
int GateNameOfValue(float value);

// Position of text in texts, or 0 (the first entry) when it is not there.
int IndexOrFirst(const std::vector<std::string>& texts, const std::string& text);

} // namespace veltrane
