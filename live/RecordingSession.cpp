#include "live/RecordingSession.h"

#include "live/DataFileNaming.h"
#include "live/LiveMessages.h"
#include "live/LiveState.h"
#include "live/PulseRecorder.h"

#include <filesystem>

namespace veltrane {

RecordingSession::RecordingSession(LiveViewSettings& settings, LiveState& state, PulseRecorder& recorder,
                                   Prompts& prompts)
    : settings_(settings), state_(state), recorder_(recorder), prompts_(prompts) {}

bool RecordingSession::TakeChosenFile(const std::string& path) {
    const std::filesystem::path chosen(path);
    // Free space is measured on the file system that holds the chosen directory.
    state_.dataDriveRoot = chosen.parent_path().string();
    recorder_.ReportNextCreateFailure();
    const bool taken = SetDataFile(chosen.filename().string(), path);
    recordEnabled_ = true;
    Changed();
    return taken;
}

bool RecordingSession::SetDataFile(const std::string& name, const std::string& path) {
    return Confirmed(datafilenaming::SetDataFile(settings_, name, path, prompts_));
}

bool RecordingSession::ConfirmDataFile() {
    return Confirmed(datafilenaming::ConfirmDataFile(settings_, prompts_));
}

bool RecordingSession::Confirmed(bool ok) {
    // The name was taken with the replace question answered Yes when something was there.
    const std::string path = settings_.directory + settings_.fileName;
    replaceConfirmed_ = ok && datafilenaming::NameTaken(path) ? path : std::string();
    return ok;
}

void RecordingSession::AdvanceSequence() {
    // Nothing chosen yet: the next start takes the default file instead.
    if (settings_.directory.empty() && settings_.filePrefix.empty()) {
        return;
    }
    datafilenaming::AdvanceSequence(settings_, prompts_);
    Changed();
}

void RecordingSession::ChooseDefaultFile() {
    const std::string directory = datafilenaming::WorkingDirectory();
    settings_.fileName = messages::kDefaultDataFile;
    state_.dataDriveRoot = directory;
    SetDataFile(messages::kDefaultDataFile, directory + messages::kDefaultDataFile);
    Changed();
}

void RecordingSession::ToggleRecording() {
    recorder_.ReportNextCreateFailure();
    Toggle();
}

void RecordingSession::FinishRecording() {
    if (recording_ && recorder_.IsOpen()) {
        recorder_.Close();
    }
    recording_ = false;
}

// Also pressed by the cycle at GC transitions and by a limit: those restarts say an
// unwritable folder only once.
void RecordingSession::Toggle() {
    if (recording_) {
        if (recorder_.IsOpen()) {
            recorder_.Close();
        }
        recording_ = false;
        AdvanceSequence();
    } else {
        // Without a directory the name would land in whatever the working directory is and
        // replace a file there unasked; the default file never replaces one.
        if (settings_.fileName.empty() || settings_.directory.empty()) {
            ChooseDefaultFile();
        }
        if (!settings_.fileName.empty() && !settings_.directory.empty()) {
            const std::string path = settings_.directory + settings_.fileName;
            recording_ = recorder_.Open(path, path == replaceConfirmed_);
            replaceConfirmed_.clear();
        }
        recordEnabled_ = recordEnabled_ || recording_;
    }
    Changed();
}

RecordingSession::Buttons RecordingSession::RecordButtons() const {
    Buttons buttons;
    buttons.recording = recording_;
    buttons.chooseEnabled = !recording_;
    buttons.nextEnabled = !recording_;
    buttons.recordEnabled = recording_ || recordEnabled_;
    return buttons;
}

void RecordingSession::StartRecording() {
    if (!recording_) {
        Toggle();
    }
}

void RecordingSession::StopRecording() {
    if (recording_) {
        Toggle();
    }
}

void RecordingSession::AppendPulse(const PulseRecord& record) {
    if (!recording_) {
        return;
    }
    // A limit or a failed write has completed and closed the file: the recording ends.
    if (!recorder_.Append(record)) {
        Toggle();
    }
}

void RecordingSession::Changed() {
    if (changed_) {
        changed_();
    }
}

} // namespace veltrane
