#pragma once

#include "live/PreferencesEditor.h"

#include <QDialog>

#include <functional>
#include <string>

class QGridLayout;
class QLineEdit;

namespace veltrane {

class Prompts;

// The modal "Preferences" dialog: the free space to keep on the data drive and the largest
// data file, both in MB. No range check: any text is taken (a non-number is 0).
class PreferencesDialog : public QDialog {
    Q_OBJECT
public:
    PreferencesDialog(LiveState& state, Profile& profile, std::function<void()> openHelp,
                      QWidget* parent = nullptr);

    // Adds the Corvanet folder below the limits: the profile's "Corvanet"/"Path", a Browse button and
    // a line that says which folder is used when the field is left empty (found: that folder, or
    // empty when Corvanet was found nowhere). OK refuses a folder without a runnable Corvanet and
    // writes the key only when the text was changed.
    void SetCorvanetFolderChoice(Prompts& prompts, const std::string& found);

    void accept() override;

private:
    void Show(const PreferencesEditor::Fields& fields);

    bool TakeCorvanetFolder();

    PreferencesEditor editor_;
    Profile& profile_;
    QGridLayout* grid_ = nullptr;
    QLineEdit* diskFree_ = nullptr;
    QLineEdit* dataSize_ = nullptr;
    QLineEdit* corvanetFolder_ = nullptr;
    Prompts* prompts_ = nullptr;
    std::string storedFolder_;
};

} // namespace veltrane
