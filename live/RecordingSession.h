#pragma once

#include "live/LiveFormRules.h"
#include "live/PulseRecorderPort.h"

#include <functional>
#include <string>

namespace veltrane {

class PulseRecorder;
class Prompts;
struct LiveState;

// The form's recording operations without the widgets: the chosen data file, the
// "Record Data" toggle, the sequence after every stop, and the recorder behind them. The
// acquisition cycle drives it through PulseRecorderPort for GC transitions and pulses.
class RecordingSession : public PulseRecorderPort {
public:
    // What the form shows of it, refreshed after every change.
    struct Buttons {
        bool chooseEnabled = true;
        bool nextEnabled = true;
        bool recordEnabled = false;
        bool recording = false; // caption "Stop Record" rather than "Record Data"
    };

    RecordingSession(LiveViewSettings& settings, LiveState& state, PulseRecorder& recorder, Prompts& prompts);

    // Called after the fields or the buttons changed, so the form can rewrite them.
    void SetChanged(std::function<void()> changed) { changed_ = std::move(changed); }

    // The file dialog's answer (full path of a name that passed the designator rule); false when
    // the name was refused (a link, or an existing file the operator chose to keep).
    bool TakeChosenFile(const std::string& path);
    bool SetDataFile(const std::string& name, const std::string& path);
    bool ConfirmDataFile();
    void AdvanceSequence();
    // The "Record Data" button: the operator's own start or stop.
    void ToggleRecording();
    // The program is ending: the file is completed as a stop completes it, run-log text
    // included; no next file is chosen.
    void FinishRecording();
    Buttons RecordButtons() const;

    // PulseRecorderPort
    bool IsRecording() const override { return recording_; }
    void StartRecording() override;
    void StopRecording() override;
    void AppendPulse(const PulseRecord& record) override;

private:
    void Toggle();
    void ChooseDefaultFile();
    void Changed();
    bool Confirmed(bool ok);

    LiveViewSettings& settings_;
    LiveState& state_;
    PulseRecorder& recorder_;
    Prompts& prompts_;
    std::function<void()> changed_;
    bool recording_ = false;
    bool recordEnabled_ = false;
    // The file the operator agreed to replace; any other existing file is asked about again.
    std::string replaceConfirmed_;
};

} // namespace veltrane
