#pragma once

#include <QGroupBox>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLineEdit;
class QPushButton;

namespace veltrane {

class Prompts;
class PulseRecorder;
class RecordingSession;
struct LiveState;
struct LiveViewSettings;

// The data file controls: the directory with "...", the file name and number with ">", and the
// Record Data / Stop Record button, which sits in the form's bottom-right corner outside the group.
class DataFilePanel : public QGroupBox {
    Q_OBJECT
public:
    // The group at its place in the form; the Record button is made a child of form.
    DataFilePanel(LiveViewSettings& settings, LiveState& state, Prompts& prompts, QWidget* form);
    ~DataFilePanel() override;

    QPushButton* RecordButton() { return recordButton_; }
    // Every button and field, for the form to disable offline.
    std::vector<QWidget*> Controls() const;

    // The document's recorder behind the controls; changed runs after each change the
    // recording makes to the data file settings.
    void AttachRecorder(PulseRecorder& recorder, std::function<void()> changed);
    RecordingSession* Recording() { return recording_.get(); }

    // "...", ">" and "Record Data".
    void ChooseDataFile();
    void AdvanceSequence();
    void ToggleRecording();
    void UpdateRecordButtons();
    // Shows the directory, file name and number held in the settings.
    void ShowFields();

    // Replaces the file dialog (tests): gives the chosen full path, nothing when cancelled.
    std::function<std::optional<std::string>()> chooseDataPath;

private:
    LiveViewSettings& settings_;
    LiveState& state_;
    Prompts& prompts_;
    std::unique_ptr<RecordingSession> recording_;

    QPushButton* recordButton_ = nullptr;
    QLineEdit* directoryField_ = nullptr;
    QPushButton* chooseFileButton_ = nullptr;
    QLineEdit* prefixField_ = nullptr;
    QLineEdit* sequenceField_ = nullptr;
    QPushButton* nextSequenceButton_ = nullptr;
};

} // namespace veltrane
