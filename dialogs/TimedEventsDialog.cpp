#include "dialogs/TimedEventsDialog.h"

#include "config/Vocabulary.h"
#include "dialogs/DialogHost.h"
#include "dialogs/DialogMessages.h"
#include "dialogs/DialogWidgets.h"
#include "dialogs/TabStopDelegate.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace veltrane {

TimedEventsDialog::TimedEventsDialog(DialogHost& host, QWidget* parent)
    : QDialog(parent), host_(host), editor_(host) {
    setObjectName(QStringLiteral("timedEventsDialog"));
    setWindowTitle(QLatin1String(messages::kTimedEventsTitle));
    InstallWaitCursor(host_);
    BuildControls();
    editor_.Open(controls_);
    RebuildList();
    Show();
    UpdateButtons();
}

void TimedEventsDialog::BuildControls() {
    auto* listGroup = new QGroupBox(QStringLiteral("Event List"), this);
    auto* listLayout = new QVBoxLayout(listGroup);
    const QFont dialogFont = font();
    const int lineHeight = QFontMetrics(dialogFont).height();
    list_ = new QListWidget(listGroup);
    list_->setObjectName(QStringLiteral("eventList"));
    auto* delegate = new TabStopDelegate(kEventListTabStops, list_);
    list_->setItemDelegate(delegate);
    const QString widest = QStringLiteral("\t179.90\t    Square Root\tN/A\t256");
    list_->setMinimumWidth(delegate->LineWidth(widest, dialogFont) + 24);
    list_->setMinimumHeight(lineHeight * 9);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const std::vector<ColumnHead> heads = {{QStringLiteral("Start Time"), 0, 0},
                                           {QStringLiteral("Event"), 2, 0},
                                           {QStringLiteral("Channel"), 3, 0},
                                           {QStringLiteral("Value"), 4, 0}};
    listLayout->addWidget(MakeColumnHeads(*delegate, widest, heads, dialogFont, listGroup));
    listLayout->addWidget(list_);
    ConnectRowChoice(list_, [this](int row) { OnSelect(row); });

    auto* current = new QGroupBox(QStringLiteral("Current Event"), this);
    auto* grid = new QGridLayout(current);
    startTime_ = new QLineEdit(current);
    startTime_->setObjectName(QStringLiteral("startTimeEdit"));
    startTime_->setMaximumWidth(80);
    type_ = new QComboBox(current);
    type_->setObjectName(QStringLiteral("typeList"));
    FillList(type_, kEventTypeNames);
    channel_ = new QComboBox(current);
    channel_->setObjectName(QStringLiteral("channelList"));
    channel_->addItem(QStringLiteral("1"));
    channel_->addItem(QStringLiteral("2"));
    valueLabel_ = new QLabel(current);
    valueLabel_->setObjectName(QStringLiteral("valueLabel"));
    valueList_ = new QComboBox(current);
    valueList_->setObjectName(QStringLiteral("valueList"));
    valueEdit_ = new QLineEdit(current);
    valueEdit_->setObjectName(QStringLiteral("valueEdit"));
    valueEdit_->setMaximumWidth(80);
    unit_ = new QLabel(current);
    unit_->setObjectName(QStringLiteral("unitLabel"));
    unit_->setMinimumWidth(QFontMetrics(dialogFont).horizontalAdvance(QStringLiteral("Amps")) + 4);

    grid->addWidget(new QLabel(QStringLiteral("Start Time:"), current), 0, 0);
    grid->addWidget(startTime_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("min"), current), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Event:"), current), 1, 0);
    grid->addWidget(type_, 1, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Channel:"), current), 2, 0);
    grid->addWidget(channel_, 2, 1);
    grid->addWidget(valueLabel_, 3, 0);
    // The list and the edit share one place; only one of them shows.
    grid->addWidget(valueList_, 3, 1);
    grid->addWidget(valueEdit_, 3, 1);
    grid->addWidget(unit_, 3, 2);
    connect(type_, &QComboBox::activated, this, &TimedEventsDialog::OnTypeChosen);

    const ListEditButtons buttons =
        LayOutListEditor(this, listGroup, current,
                         {[this] { OnOk(); }, [this] { host_.OpenHelp("timed-events"); }, [this] { OnAdd(); },
                          [this] { OnChange(); }, [this] { OnDelete(); }});
    add_ = buttons.add;
    change_ = buttons.change;
    delete_ = buttons.remove;
}

void TimedEventsDialog::Show() {
    const QSignalBlocker typeBlocker(type_);
    startTime_->setText(QString::fromStdString(controls_.startTime));
    type_->setCurrentIndex(controls_.type);
    channel_->setCurrentIndex(controls_.channel);
    channel_->setEnabled(controls_.channelEnabled);
    valueLabel_->setText(QString::fromStdString(controls_.valueLabel));
    unit_->setText(QString::fromStdString(controls_.unit));
    valueList_->clear();
    for (const std::string& choice : controls_.choices) {
        valueList_->addItem(QString::fromStdString(choice));
    }
    valueList_->setCurrentIndex(controls_.choice);
    valueList_->setEnabled(controls_.valueListEnabled);
    valueList_->setVisible(controls_.valueIsList);
    valueEdit_->setText(QString::fromStdString(controls_.valueText));
    valueEdit_->setVisible(!controls_.valueIsList);
}

void TimedEventsDialog::Gather() {
    controls_.startTime = startTime_->text().toStdString();
    controls_.type = type_->currentIndex();
    controls_.channel = channel_->currentIndex();
    controls_.choice = valueList_->currentIndex();
    controls_.valueText = valueEdit_->text().toStdString();
}

void TimedEventsDialog::RebuildList(int keepSelected) {
    ShowLines(list_, editor_.Lines(), keepSelected);
}

void TimedEventsDialog::UpdateButtons() {
    add_->setEnabled(editor_.AddEnabled());
    change_->setEnabled(editor_.ChangeDeleteEnabled());
    delete_->setEnabled(editor_.ChangeDeleteEnabled());
}

void TimedEventsDialog::OnTypeChosen(int type) {
    Gather();
    editor_.ChooseType(type, controls_);
    Show();
}

void TimedEventsDialog::OnSelect(int row) {
    if (row < 0 || row >= static_cast<int>(editor_.Events().size())) {
        return;
    }
    Gather();
    editor_.ChooseEntry(row, controls_);
    Show();
    UpdateButtons();
}

void TimedEventsDialog::OnAdd() {
    Gather();
    if (editor_.Add(controls_)) {
        RebuildList(SelectedRow(list_)); // the chosen row stays chosen for Change and Delete
    }
    UpdateButtons();
}

void TimedEventsDialog::OnChange() {
    Gather();
    if (editor_.Change(SelectedRow(list_), controls_)) {
        RebuildList();
    }
    UpdateButtons();
}

void TimedEventsDialog::OnDelete() {
    Gather();
    if (editor_.Delete(SelectedRow(list_), controls_)) {
        RebuildList();
        Show();
    }
    UpdateButtons();
}

void TimedEventsDialog::OnOk() {
    Gather();
    if (editor_.Ok(controls_)) {
        QDialog::accept();
    }
}

void TimedEventsDialog::reject() {
    editor_.Cancel();
    QDialog::reject();
}

} // namespace veltrane
