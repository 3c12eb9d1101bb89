#pragma once

#include "dialogs/TimedEventsEditor.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace veltrane {

class DialogHost;

// The modal "Timed Events" dialog over TimedEventsEditor.
class TimedEventsDialog : public QDialog {
    Q_OBJECT
public:
    TimedEventsDialog(DialogHost& host, QWidget* parent);

    // Handlers (also driven by tests).
    void OnTypeChosen(int type);
    void OnSelect(int row);
    void OnAdd();
    void OnChange();
    void OnDelete();
    void OnOk();

protected:
    void reject() override;

private:
    void BuildControls();
    void Show();
    void Gather();
    void RebuildList(int keepSelected = -1);
    void UpdateButtons();

    DialogHost& host_;
    TimedEventsEditor editor_;
    EventControls controls_;
    QListWidget* list_ = nullptr;
    QLineEdit* startTime_ = nullptr;
    QComboBox* type_ = nullptr;
    QComboBox* channel_ = nullptr;
    QLabel* valueLabel_ = nullptr;
    QComboBox* valueList_ = nullptr;
    QLineEdit* valueEdit_ = nullptr;
    QLabel* unit_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* change_ = nullptr;
    QPushButton* delete_ = nullptr;
};

} // namespace veltrane
