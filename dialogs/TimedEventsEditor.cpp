#include "dialogs/TimedEventsEditor.h"

#include "config/ConfigurationModel.h"
#include "config/Messages.h"
#include "config/Vocabulary.h"
#include "device/DeviceLink.h"
#include "dialogs/DialogHost.h"
#include "dialogs/DialogMessages.h"
#include "dialogs/FieldValidator.h"
#include "dialogs/GateText.h"
#include "live/LiveState.h"
#include "platform/Prompts.h"

#include <cmath>
#include <limits>

namespace veltrane {

namespace {

template <std::size_t N> std::vector<std::string> Texts(const std::array<const char*, N>& table) {
    return {table.begin(), table.end()};
}

// The choice a list value stands for, or -1 when it is none of count entries.
int ChoiceOf(float value, int count) {
    if (!(value >= 0.0f && value < static_cast<float>(count))) {
        return -1;
    }
    return static_cast<int>(value);
}

int ValidOrFirst(int choice, int count) {
    return choice >= 0 && choice < count ? choice : 0;
}

} // namespace

TimedEventsEditor::TimedEventsEditor(DialogHost& host) : host_(host) {}

void TimedEventsEditor::Open(EventControls& controls) {
    WriteControls(controls);
    ConfigurationModel& config = host_.Config();
    if (host_.IsOnline()) {
        host_.RunRetried([&config](DeviceLink& link) { return link.ReceiveAllSettings(config); });
    }
    type = kEventAutoZero;
    events_.clear();
    lines_.clear();
    for (const TimedEvent& event : config.GetTimedEvents()) {
        events_.push_back(event);
        lines_.push_back(ListLine(event));
    }
    WriteControls(controls);
}

std::string TimedEventsEditor::ListLine(const TimedEvent& event) const {
    const std::string typeText = TableText(kEventTypeNames, event.type);
    const double start = static_cast<double>(event.startTime);
    const int shownChannel = event.channel + 1;
    switch (event.type) {
    case kEventAutoZero:
        return Format("\t%4.2f\t%15s\t%d\tN/A", start, typeText.c_str(), shownChannel);
    case kEventAttenuation:
        return Format("\t%4.2f\t%15s\t%d\t%s", start, typeText.c_str(), shownChannel,
                      TableText(kAttenuationFactors, ChoiceOf(event.value, kAttenuationIndexCount)).c_str());
    case kEventRange:
        return Format("\t%4.2f\t%15s\tN/A\t%s", start, typeText.c_str(),
                      TableText(kRangeNames, ChoiceOf(event.value, 3)).c_str());
    case kEventSquareRoot:
        return Format("\t%4.2f\t%15s\t%d\t%s", start, typeText.c_str(), shownChannel,
                      event.value == 0.0f ? kOffOnNames[0] : kOffOnNames[1]);
    case kEventGate:
        return Format("\t%4.2f\t%15s\t%d\t%s", start, typeText.c_str(), shownChannel,
                      GateModeDisplayName(GateNameOfValue(event.value), event.gateSuffix).c_str());
    case kEventRecord:
    case kEventIgnitor:
        return Format("\t%4.2f\t%15s\tN/A\t%4.2f", start, typeText.c_str(), static_cast<double>(event.value));
    default:
        return {};
    }
}

void TimedEventsEditor::WriteControls(EventControls& controls) {
    controls.startTime = FieldText(startTime);
    controls.channel = channel;
    controls.type = type;
    ApplyLayout(controls);
}

void TimedEventsEditor::ApplyLayout(EventControls& controls) {
    ConfigurationModel& config = host_.Config();
    controls.type = type;
    controls.channelEnabled = true;
    controls.valueIsList = true;
    controls.valueListEnabled = true;
    controls.choices.clear();
    controls.choice = -1;
    controls.valueText.clear();
    controls.valueLabel = "Value:";
    controls.unit.clear();
    switch (type) {
    case kEventAutoZero:
        controls.valueListEnabled = false;
        break;
    case kEventAttenuation: {
        controls.choices = Texts(kAttenuationFactors);
        const int choice = ChoiceOf(value, 9);
        controls.choice = choice >= 0
                              ? choice
                              : ValidOrFirst(config.GetChannel(0).attenuationIndex, kAttenuationIndexCount);
        break;
    }
    case kEventRange: {
        controls.channelEnabled = false;
        controls.choices = Texts(kRangeNames);
        const int choice = ChoiceOf(value, 3);
        controls.choice = choice >= 0 ? choice : ValidOrFirst(config.GetRange(), 3);
        break;
    }
    case kEventSquareRoot:
        controls.choices = Texts(kOffOnNames);
        if (value == 0.0f) {
            controls.choice = 0;
        } else if (value > 0.0f) {
            controls.choice = 1; // any positive value counts as on
        } else {
            controls.choice = config.GateModeCount() > 0 && config.GetGateMode(0).squareRoot != 0 ? 1 : 0;
        }
        break;
    case kEventGate:
        for (int i = 0; i < config.GateModeCount(); ++i) {
            const GateMode& mode = config.GetGateMode(i);
            if (mode.name >= 0 && mode.name < static_cast<int>(kGateModeNames.size())) {
                controls.choices.push_back(GateModeDisplayName(mode.name, mode.suffix));
            } else {
                host_.GetPrompts().ShowMessage(messages::kGateModeNotAdded);
            }
        }
        controls.choice = controls.choices.empty() ? -1 : IndexOrFirst(controls.choices, gateText);
        break;
    case kEventRecord:
        controls.channelEnabled = false;
        controls.valueIsList = false;
        controls.valueLabel = "Stop Time:";
        controls.unit = "min";
        controls.valueText = FieldText(value);
        break;
    case kEventIgnitor: {
        controls.channelEnabled = false;
        controls.valueIsList = false;
        controls.unit = "Amps";
        const bool usable = value >= 0.0f && value <= EventBounds::kIgnitorMax;
        controls.valueText =
            Format("%4.2f", static_cast<double>(usable ? value : config.GetIgnitorCurrent()));
        break;
    }
    default:
        break;
    }
}

void TimedEventsEditor::ResetEditor(EventControls& controls) {
    type = kEventAutoZero;
    channel = 0;
    startTime = EventBounds::kStartMin;
    WriteControls(controls);
}

void TimedEventsEditor::ChooseType(int chosen, EventControls& controls) {
    type = chosen;
    if (type == kEventGate && host_.Config().GateModeCount() == 0) {
        host_.GetPrompts().ShowMessage(messages::kNoGateModesDefined);
        ResetEditor(controls);
        return;
    }
    ApplyLayout(controls);
}

int TimedEventsEditor::CheckedIndex(int index) {
    if (index < 0 || index >= static_cast<int>(events_.size())) {
        host_.GetPrompts().ShowMessage(messages::kEventIndexOutOfRange);
        return 0;
    }
    return index;
}

void TimedEventsEditor::ChooseEntry(int index, EventControls& controls) {
    if (events_.empty()) {
        return;
    }
    const TimedEvent& event = events_[static_cast<std::size_t>(CheckedIndex(index))];
    startTime = event.startTime;
    type = event.type;
    channel = event.channel;
    value = event.value;
    gateSuffix = event.gateSuffix;
    if (event.type == kEventGate) {
        gateText = GateModeDisplayName(GateNameOfValue(event.value), event.gateSuffix);
    }
    WriteControls(controls);
    modified_ = true;
    changeDeleteEnabled_ = true;
}

bool TimedEventsEditor::ReadControls(const EventControls& controls) {
    valid_ = false;
    FieldValidator validator(host_.GetPrompts(), host_.Live());
    float start = 0.0f;
    if (!validator.ReadFloat(controls.startTime, EventBounds::kStartMin, EventBounds::kStartMax, start)) {
        return false;
    }
    float newValue = value;
    int newSuffix = gateSuffix;
    std::string newGateText = gateText;
    switch (controls.type) {
    case kEventAutoZero:
    case kEventAttenuation:
    case kEventRange:
    case kEventSquareRoot:
        newValue = static_cast<float>(controls.choice);
        break;
    case kEventGate: {
        const bool chosen =
            controls.choice >= 0 && controls.choice < static_cast<int>(controls.choices.size());
        newGateText = chosen ? controls.choices[static_cast<std::size_t>(controls.choice)] : std::string();
        const GateTextParts parts = ParseGateText(newGateText);
        if (parts.name) {
            newValue = static_cast<float>(*parts.name);
        }
        newSuffix = parts.suffix;
        break;
    }
    case kEventRecord: {
        // Any number first; then the stop's own bounds, which its message names: a tenth after
        // the start at the least.
        constexpr float kAny = std::numeric_limits<float>::infinity();
        if (!validator.ReadFloat(controls.valueText, -kAny, kAny, newValue) ||
            !validator.CheckDerived(newValue, start + EventBounds::kRecordMinLength,
                                    EventBounds::kRecordStopMax)) {
            return false;
        }
        break;
    }
    case kEventIgnitor:
        if (!validator.ReadFloat(controls.valueText, 0.0f, EventBounds::kIgnitorMax, newValue)) {
            return false;
        }
        break;
    default:
        break;
    }
    channel = controls.channel;
    startTime = start;
    type = controls.type;
    value = newValue;
    gateSuffix = newSuffix;
    gateText = newGateText;
    valid_ = true;
    return true;
}

TimedEvent TimedEventsEditor::EditorEvent() const {
    TimedEvent event;
    event.startTime = startTime;
    event.type = static_cast<std::int16_t>(type);
    event.channel = static_cast<std::int16_t>(channel);
    event.value = value;
    event.gateSuffix = static_cast<std::int16_t>(gateSuffix);
    return event;
}

bool TimedEventsEditor::Add(EventControls& controls) {
    modified_ = true;
    if (!AddEnabled() || !ReadControls(controls)) {
        return false;
    }
    const TimedEvent event = EditorEvent();
    lines_.push_back(ListLine(event));
    events_.push_back(event);
    return true;
}

bool TimedEventsEditor::Change(int selected, EventControls& controls) {
    modified_ = true;
    if (events_.empty() || !ReadControls(controls)) {
        return false;
    }
    const auto index = static_cast<std::size_t>(CheckedIndex(selected));
    events_[index] = EditorEvent();
    lines_[index] = ListLine(events_[index]);
    changeDeleteEnabled_ = false;
    return true;
}

bool TimedEventsEditor::Delete(int selected, EventControls& controls) {
    modified_ = true;
    if (events_.empty()) {
        return false;
    }
    const int index = CheckedIndex(selected);
    events_.erase(events_.begin() + index);
    lines_.erase(lines_.begin() + index);
    value = -1.0f;
    ResetEditor(controls);
    changeDeleteEnabled_ = false;
    return true;
}

bool TimedEventsEditor::Ok(EventControls& controls) {
    // The editor is read first: a refused value keeps the dialog open with nothing handed
    // over, logged or sent, so trying again does not log and send the list once more.
    if (!ReadControls(controls)) {
        return false;
    }
    ConfigurationModel& config = host_.Config();
    config.ReplaceTimedEvents(events_);
    if (host_.IsOnline()) {
        host_.RunRetried([&config](DeviceLink& link) { return link.TransmitAllSettings(config); });
    }
    if (modified_) {
        config.MarkModified(true);
    }
    return true;
}

void TimedEventsEditor::Cancel() {
    events_.clear();
    lines_.clear();
    host_.Live().pollingSuspended = false;
}

} // namespace veltrane
