#pragma once

#include "live/PreferencesEditor.h"

#include <QDialog>

#include <functional>

class QLineEdit;

namespace veltrane {

// The modal "Preferences" dialog: the free space to keep on the data drive and the largest
// data file, both in MB. No range check: any text is taken (a non-number is 0).
class PreferencesDialog : public QDialog {
    Q_OBJECT
public:
    PreferencesDialog(LiveState& state, Profile& profile, std::function<void()> openHelp,
                      QWidget* parent = nullptr);

    QLineEdit* DiskFreeField() const { return diskFree_; }
    QLineEdit* DataSizeField() const { return dataSize_; }

    void accept() override;

private:
    void Show(const PreferencesEditor::Fields& fields);

    PreferencesEditor editor_;
    QLineEdit* diskFree_ = nullptr;
    QLineEdit* dataSize_ = nullptr;
};

} // namespace veltrane
