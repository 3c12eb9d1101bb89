#pragma once

#include "protocol/ConfigTypes.h"

#include <string>
#include <vector>

namespace veltrane {

class DialogHost;

// The "Current Event" controls: texts, list choices and how the value area looks.
struct EventControls {
    std::string startTime;
    int channel = 0;
    int type = 0;
    bool channelEnabled = true;
    // The value is either a list (choices, choice) or an edit (valueText), in the same place.
    bool valueIsList = true;
    bool valueListEnabled = false;
    std::vector<std::string> choices;
    int choice = -1;
    std::string valueText;
    std::string valueLabel = "Value:";
    std::string unit;
};

struct EventBounds {
    static constexpr float kStartMin = 0.01f;
    static constexpr float kStartMax = 179.9f;
    static constexpr float kRecordMinLength = 0.1f;
    static constexpr float kRecordStopMax = 180.0f;
    static constexpr float kIgnitorMax = 3.3f;
    static constexpr int kMaxEvents = 16;
};

inline const std::vector<int> kEventListTabStops = {27, 63, 142, 185};

// The rules of the "Timed Events" dialog without its widgets: the dialog's own copy of the
// events, the editor fields with their per-type layouts, and Add / Change / Delete / OK.
class TimedEventsEditor {
public:
    explicit TimedEventsEditor(DialogHost& host);

    // Receives the controller's settings (online) and copies the configuration's events.
    void Open(EventControls& controls);

    const std::vector<TimedEvent>& Events() const { return events_; }
    const std::vector<std::string>& Lines() const { return lines_; }
    bool AddEnabled() const { return static_cast<int>(events_.size()) < EventBounds::kMaxEvents; }
    bool ChangeDeleteEnabled() const { return changeDeleteEnabled_; }

    // The operator picked an event type in the list.
    void ChooseType(int type, EventControls& controls);
    // The operator picked a line of the event list.
    void ChooseEntry(int index, EventControls& controls);
    bool Add(EventControls& controls);
    bool Change(int selected, EventControls& controls);
    bool Delete(int selected, EventControls& controls);
    // True when the dialog may close. Once the editor reads well, the list is handed to the
    // configuration, changed or not.
    bool Ok(EventControls& controls);
    void Cancel();

    // Reads and checks the controls into the editor fields.
    bool ReadControls(const EventControls& controls);
    std::string ListLine(const TimedEvent& event) const;

    // The editor fields.
    float startTime = 0.01f;
    int channel = 0;
    int type = kEventAutoZero;
    float value = 0.0f;
    int gateSuffix = 1;
    std::string gateText;

private:
    void WriteControls(EventControls& controls);
    void ApplyLayout(EventControls& controls);
    int CheckedIndex(int index);
    TimedEvent EditorEvent() const;
    void ResetEditor(EventControls& controls);

    DialogHost& host_;
    std::vector<TimedEvent> events_;
    std::vector<std::string> lines_;
    bool modified_ = false;
    bool valid_ = false;
    bool changeDeleteEnabled_ = false;
};

} // namespace veltrane
