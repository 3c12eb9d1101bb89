#pragma once

#include "dialogs/GateModesEditor.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace veltrane {

class DialogHost;

// The modal Gate Parameters dialog over GateModesEditor.
class GateModesDialog : public QDialog {
    Q_OBJECT
public:
    GateModesDialog(DialogHost& host, QWidget* parent);

    // Button handlers (also driven by tests).
    void OnAdd();
    void OnChange();
    void OnDelete();
    void OnSelect(int row);
    void OnOk();

protected:
    void reject() override;

private:
    void BuildControls();
    void Show(const GateFields& fields);
    GateFields Gather() const;
    void RebuildList(int keepSelected = -1);
    void SetChangeDelete(bool enabled);

    DialogHost& host_;
    GateModesEditor editor_;
    QListWidget* list_ = nullptr;
    QComboBox* name_ = nullptr;
    QLineEdit* startA_ = nullptr;
    QLineEdit* stopA_ = nullptr;
    QComboBox* operator_ = nullptr;
    QLineEdit* alpha_ = nullptr;
    QLineEdit* startB_ = nullptr;
    QLineEdit* stopB_ = nullptr;
    QCheckBox* squareRoot_ = nullptr;
    QLabel* formula_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* change_ = nullptr;
    QPushButton* delete_ = nullptr;
};

} // namespace veltrane
