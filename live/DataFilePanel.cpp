#include "live/DataFilePanel.h"

#include "live/DataFileDialog.h"
#include "live/DataFileNaming.h"
#include "live/FormControls.h"
#include "live/LiveFormRules.h"
#include "live/LiveMessages.h"
#include "live/RecordingSession.h"
#include "platform/Prompts.h"

#include <QLineEdit>
#include <QPushButton>

#include <filesystem>

namespace veltrane {

namespace {

// The group's place in the form; its controls are given in form coordinates too.
const QRect kGroup(4, 312, 236, 84);

QRect InGroup(int left, int top, int width, int height) {
    return QRect(left, top, width, height).translated(-kGroup.topLeft());
}

} // namespace

DataFilePanel::DataFilePanel(LiveViewSettings& settings, LiveState& state, Prompts& prompts, QWidget* form)
    : QGroupBox(QStringLiteral("Data File Information"), form), settings_(settings), state_(state),
      prompts_(prompts) {
    recordButton_ = MakeFormButton(form, QStringLiteral("Record Data"), {512, 364, 110, 26});
    recordButton_->setObjectName(QStringLiteral("recordButton"));
    recordButton_->setEnabled(false); // enabled once a data file has been chosen

    setGeometry(kGroup);
    lower();
    MakeFormLabel(this, QStringLiteral("Directory:"), InGroup(8, 332, 64, 20));
    directoryField_ = MakeFormField(this, InGroup(72, 332, 134, 20), true);
    directoryField_->setAlignment(Qt::AlignLeft);
    chooseFileButton_ = MakeFormButton(this, QStringLiteral("..."), InGroup(210, 332, 24, 20));
    MakeFormLabel(this, QStringLiteral("File Name:"), InGroup(8, 362, 64, 20));
    prefixField_ = MakeFormField(this, InGroup(72, 362, 56, 20), true);
    prefixField_->setAlignment(Qt::AlignLeft);
    sequenceField_ = MakeFormField(this, InGroup(130, 362, 36, 20), true);
    MakeFormLabel(this, QStringLiteral(".dat"), InGroup(170, 362, 30, 20));
    nextSequenceButton_ = MakeFormButton(this, QStringLiteral(">"), InGroup(210, 362, 24, 20));

    connect(chooseFileButton_, &QPushButton::clicked, this, &DataFilePanel::ChooseDataFile);
    connect(nextSequenceButton_, &QPushButton::clicked, this, &DataFilePanel::AdvanceSequence);
    connect(recordButton_, &QPushButton::clicked, this, &DataFilePanel::ToggleRecording);
}

DataFilePanel::~DataFilePanel() = default;

std::vector<QWidget*> DataFilePanel::Controls() const {
    return {recordButton_, directoryField_, chooseFileButton_,
            prefixField_,  sequenceField_,  nextSequenceButton_};
}

void DataFilePanel::AttachRecorder(PulseRecorder& recorder, std::function<void()> changed) {
    recording_ = std::make_unique<RecordingSession>(settings_, state_, recorder, prompts_);
    recording_->SetChanged([this, changed = std::move(changed)] {
        if (changed) {
            changed();
        }
        UpdateRecordButtons();
    });
    UpdateRecordButtons();
}

void DataFilePanel::ShowFields() {
    directoryField_->setText(QString::fromStdString(settings_.directory));
    prefixField_->setText(QString::fromStdString(settings_.filePrefix));
    sequenceField_->setText(QString::fromStdString(settings_.sequenceText));
}

void DataFilePanel::ChooseDataFile() {
    const auto refuse = [this](const std::string& name) {
        if (!datafilenaming::DesignatorTooLong(name)) {
            return false;
        }
        prompts_.ShowMessage(messages::kDesignatorTooLong);
        return true;
    };
    std::optional<std::string> path;
    if (chooseDataPath) {
        while ((path = chooseDataPath()) && refuse(std::filesystem::path(*path).filename().string())) {
        }
    } else {
        DataFileDialog dialog(parentWidget(), QString::fromStdString(settings_.directory),
                              [&refuse](const QString& name) { return refuse(name.toStdString()); });
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            path = dialog.selectedFiles().front().toStdString();
        }
    }
    if (path && recording_) {
        recording_->TakeChosenFile(*path);
    }
}

void DataFilePanel::AdvanceSequence() {
    if (recording_) {
        recording_->AdvanceSequence();
    }
}

void DataFilePanel::ToggleRecording() {
    if (recording_) {
        recording_->ToggleRecording();
    }
}

void DataFilePanel::UpdateRecordButtons() {
    if (!recording_) {
        return;
    }
    const RecordingSession::Buttons buttons = recording_->RecordButtons();
    chooseFileButton_->setEnabled(buttons.chooseEnabled);
    nextSequenceButton_->setEnabled(buttons.nextEnabled);
    recordButton_->setEnabled(buttons.recordEnabled);
    recordButton_->setText(
        QString::fromUtf8(buttons.recording ? messages::kStopRecord : messages::kRecordData));
}

} // namespace veltrane
