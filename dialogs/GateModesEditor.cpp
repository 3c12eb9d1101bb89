#include "dialogs/GateModesEditor.h"

#include "config/ConfigurationModel.h"
#include "config/Vocabulary.h"
#include "device/DeviceLink.h"
#include "dialogs/DialogHost.h"
#include "dialogs/DialogMessages.h"
#include "dialogs/FieldValidator.h"
#include "dialogs/GateText.h"
#include "live/LiveState.h"
#include "platform/Prompts.h"

#include <algorithm>

namespace veltrane {

namespace {

constexpr float kShownAlphaLimit = 99.99f;

float LimitedAlpha(float alpha) {
    return std::clamp(alpha, -kShownAlphaLimit, kShownAlphaLimit);
}

bool MultipliesOrDivides(int operatorIndex) {
    return operatorIndex == 2 || operatorIndex == 3;
}

} // namespace

GateModesEditor::GateModesEditor(DialogHost& host) : host_(host) {}

void GateModesEditor::Open() {
    ConfigurationModel& config = host_.Config();
    if (host_.IsOnline()) {
        host_.RunRetried([&config](DeviceLink& link) { return link.ReceiveAllSettings(config); });
    }
    modes_.clear();
    lines_.clear();
    for (int i = 0; i < config.GateModeCount() && i < kMaxGateModes; ++i) {
        modes_.push_back(config.GetGateMode(i));
        lines_.push_back(ListLine(modes_.back(), true));
    }
}

std::string GateModesEditor::ListLine(const GateMode& mode, bool limitAlpha) {
    const std::string op = TableText(kOperatorNames, mode.operatorIndex);
    const std::string root = TableText(kOffOnNames, mode.squareRoot);
    const float alpha = limitAlpha ? LimitedAlpha(mode.alpha) : mode.alpha;
    return Format("\t%3s\t%5.1f\t%5.1f\t%s\t%6.3f\t%5.1f\t%5.1f\t%3s",
                  GateModeDisplayName(mode.name, mode.suffix).c_str(), static_cast<double>(mode.startA),
                  static_cast<double>(mode.stopA), op.c_str(), static_cast<double>(alpha),
                  static_cast<double>(mode.startB), static_cast<double>(mode.stopB), root.c_str());
}

std::string GateModesEditor::FormulaText(int operatorIndex, float alpha) {
    return Format("A %s %.3fB", TableText(kOperatorNames, operatorIndex).c_str(), static_cast<double>(alpha));
}

GateFields GateModesEditor::FieldsOf(const GateMode& mode) {
    GateFields fields;
    // The lists hold only the known names and operators; anything else shows the first entry.
    fields.name = mode.name >= 0 && mode.name < static_cast<int>(kGateModeNames.size()) ? mode.name : 0;
    fields.operatorIndex =
        mode.operatorIndex >= 0 && mode.operatorIndex < static_cast<int>(kOperatorNames.size())
            ? mode.operatorIndex
            : 0;
    fields.startA = FieldText(mode.startA);
    fields.stopA = FieldText(mode.stopA);
    fields.alpha = FieldText(LimitedAlpha(mode.alpha));
    fields.startB = FieldText(mode.startB);
    fields.stopB = FieldText(mode.stopB);
    fields.squareRoot = mode.squareRoot != 0;
    return fields;
}

std::int16_t GateModesEditor::NextSuffix(const std::vector<GateMode>& modes, int name) {
    int highest = 0;
    for (const GateMode& mode : modes) {
        if (mode.name == name) {
            highest = std::max(highest, static_cast<int>(mode.suffix));
        }
    }
    return static_cast<std::int16_t>(highest + 1);
}

bool GateModesEditor::ReadFields(const GateFields& fields, GateMode& out) {
    using B = GateBounds;
    FieldValidator validator(host_.GetPrompts(), host_.Live());
    GateMode mode = out;
    if (!validator.ReadFloat(fields.alpha, -B::kAlphaLimit, B::kAlphaLimit, mode.alpha)) {
        return false;
    }
    mode.name = static_cast<std::int16_t>(fields.name);
    mode.operatorIndex = static_cast<std::int16_t>(fields.operatorIndex);
    mode.squareRoot = fields.squareRoot ? 1 : 0;
    if (!validator.ReadFloat(fields.startA, 0.0f, B::kStartMax, mode.startA) ||
        !validator.ReadFloat(fields.startB, 0.0f, B::kStartMax, mode.startB) ||
        !validator.ReadFloat(fields.stopA, B::kStopMin, B::kStopMax, mode.stopA) ||
        !validator.ReadFloat(fields.stopB, B::kStopMin, B::kStopMax, mode.stopB)) {
        return false;
    }
    if (changed_) {
        // A stop just short of start + 0.1 still passes: half a tenth is allowed for. The
        // allowance only moves the lower bound, so a stop below 24.9 is never refused as too high.
        auto stopOk = [&](float start, float stop) {
            const float checked = stop < B::kStopMax ? stop + B::kStopAllowance : stop;
            return validator.CheckDerived(std::min(checked, B::kStopMax), start + B::kMinWidth, B::kStopMax);
        };
        if (!stopOk(mode.startA, mode.stopA) || !stopOk(mode.startB, mode.stopB)) {
            return false;
        }
    }
    out = mode;
    return true;
}

bool GateModesEditor::ReadAndCheckAlpha(const GateFields& fields, GateMode& out) {
    changed_ = true;
    if (!ReadFields(fields, out)) {
        changed_ = false;
        return false;
    }
    if (MultipliesOrDivides(out.operatorIndex) && out.alpha == 0.0f) {
        host_.GetPrompts().ShowMessage(messages::kAlphaZeroNotAllowed);
        changed_ = false;
        return false;
    }
    return true;
}

bool GateModesEditor::Add(GateFields& fields) {
    if (!AddEnabled()) {
        return false;
    }
    GateMode mode;
    if (!ReadAndCheckAlpha(fields, mode)) {
        return false;
    }
    mode.suffix = NextSuffix(modes_, mode.name);
    lines_.push_back(ListLine(mode));
    formula_ = FormulaText(mode.operatorIndex, mode.alpha);
    modes_.push_back(mode);
    listChanged_ = true;
    return true;
}

bool GateModesEditor::Change(GateFields& fields, int selected) {
    GateMode mode;
    if (!ReadAndCheckAlpha(fields, mode)) {
        return false;
    }
    if (selected < 0 || selected >= static_cast<int>(modes_.size())) {
        return false;
    }
    GateMode& target = modes_[static_cast<std::size_t>(selected)];
    if (mode.name != target.name) {
        if (InUse(GateModeDisplayName(target.name, target.suffix))) {
            return false;
        }
        mode.suffix = NextSuffix(modes_, mode.name);
    } else {
        mode.suffix = target.suffix;
    }
    target = mode;
    lines_[static_cast<std::size_t>(selected)] = ListLine(mode);
    formula_ = FormulaText(mode.operatorIndex, mode.alpha);
    listChanged_ = true;
    return true;
}

bool GateModesEditor::Delete(int selected, GateFields& fields) {
    if (selected < 0 || selected >= static_cast<int>(modes_.size())) {
        return false;
    }
    const GateMode& target = modes_[static_cast<std::size_t>(selected)];
    if (InUse(GateModeDisplayName(target.name, target.suffix))) {
        return false;
    }
    modes_.erase(modes_.begin() + selected);
    lines_.erase(lines_.begin() + selected);
    changed_ = true;
    listChanged_ = true;
    fields = GateFields{};
    formula_ = FormulaText(0, 0.0f);
    return true;
}

GateFields GateModesEditor::Select(int index) {
    if (index < 0 || index >= static_cast<int>(modes_.size())) {
        return GateFields{};
    }
    const GateMode& mode = modes_[static_cast<std::size_t>(index)];
    GateFields fields = FieldsOf(mode);
    formula_ = FormulaText(fields.operatorIndex, LimitedAlpha(mode.alpha));
    return fields;
}

bool GateModesEditor::InUse(const std::string& displayName) {
    ConfigurationModel& config = host_.Config();
    const ChannelSettings& one = config.GetChannel(0);
    const ChannelSettings& two = config.GetChannel(1);
    const bool first = GateModeDisplayName(one.gateModeName, one.gateModeSuffix) == displayName;
    const bool second = GateModeDisplayName(two.gateModeName, two.gateModeSuffix) == displayName;
    const char* message = nullptr;
    if (first && second) {
        message = messages::kInUseBothChannels;
    } else if (first) {
        message = messages::kInUseChannel1;
    } else if (second) {
        message = messages::kInUseChannel2;
    } else {
        for (const TimedEvent& event : config.GetTimedEvents()) {
            if (event.type == kEventGate &&
                GateModeDisplayName(GateNameOfValue(event.value), event.gateSuffix) == displayName) {
                message = messages::kInUseTimedEvent;
                break;
            }
        }
    }
    if (message == nullptr) {
        return false;
    }
    host_.GetPrompts().ShowMessage(message);
    return true;
}

bool GateModesEditor::Ok(GateFields& fields) {
    ConfigurationModel& config = host_.Config();
    if (listChanged_) {
        config.MarkModified(true);
        config.SetGateModes(modes_);
        if (host_.IsOnline()) {
            host_.RunRetried([&config](DeviceLink& link) { return link.TransmitAllSettings(config); });
        }
    }
    GateMode scratch;
    return ReadFields(fields, scratch);
}

void GateModesEditor::Cancel() {
    changed_ = false;
    host_.Live().pollingSuspended = false;
}

} // namespace veltrane
