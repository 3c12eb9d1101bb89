#pragma once

#include "protocol/ConfigTypes.h"

#include <string>
#include <vector>

namespace veltrane {

class ConfigurationModel;
class DialogHost;
class FieldValidator;

// The "Current Mode" group: list choices and edit texts.
struct GateFields {
    int name = 0;
    std::string startA = "0";
    std::string stopA = "0.1";
    int operatorIndex = 0;
    std::string alpha = "0";
    std::string startB = "0";
    std::string stopB = "0.1";
    bool squareRoot = false;
};

// Bounds of the gate fields, in milliseconds.
struct GateBounds {
    static constexpr float kAlphaLimit = 99.999f;
    static constexpr float kStartMax = 24.8f;
    static constexpr float kStopMin = 0.1f;
    static constexpr float kStopMax = 24.9f;
    static constexpr float kMinWidth = 0.1f;
    static constexpr float kStopAllowance = 0.05f;
};

// Tab stops of the list, in dialog units.
inline const std::vector<int> kGateListTabStops = {11, 39, 67, 81, 110, 122, 125, 128};

// The rules of the Gate Parameters dialog without its widgets: a working copy of the list,
// Add / Change / Delete with the suffix rule and the in-use check, and OK storing the list.
class GateModesEditor {
public:
    explicit GateModesEditor(DialogHost& host);

    // Receives the controller's settings (online) and copies the configuration's modes.
    void Open();

    const std::vector<GateMode>& Modes() const { return modes_; }
    const std::vector<std::string>& Lines() const { return lines_; }
    bool AddEnabled() const { return static_cast<int>(modes_.size()) < kMaxGateModes; }
    bool ChangedFlag() const { return changed_; }
    // Whether OK will store the list (some Add, Change or Delete went through).
    bool ListChanged() const { return listChanged_; }
    std::string Formula() const { return formula_; }

    // Each returns true when the list changed. Fields are rewritten where the dialog shows them.
    bool Add(GateFields& fields);
    bool Change(GateFields& fields, int selected);
    bool Delete(int selected, GateFields& fields);
    GateFields Select(int index);
    // True when the dialog may close.
    bool Ok(GateFields& fields);
    void Cancel();

    // Shows the message and returns true when a channel or a Gate timed event of the
    // configuration uses the mode with this display name.
    bool InUse(const std::string& displayName);

    static std::string ListLine(const GateMode& mode, bool limitAlpha = false);
    static std::string FormulaText(int operatorIndex, float alpha);
    static GateFields FieldsOf(const GateMode& mode);
    // Suffix for a new mode named name: one more than the highest among the listed modes
    // with that name, 1 when there is none.
    static std::int16_t NextSuffix(const std::vector<GateMode>& modes, int name);

private:
    bool ReadFields(const GateFields& fields, GateMode& out);
    bool ReadAndCheckAlpha(const GateFields& fields, GateMode& out);

    DialogHost& host_;
    std::vector<GateMode> modes_;
    std::vector<std::string> lines_;
    bool changed_ = false;
    bool listChanged_ = false;
    std::string formula_ = "A - 0.000B";
};

} // namespace veltrane
