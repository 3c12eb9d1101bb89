// The dialogs' widgets offscreen: enable states, keys, selection, placement, and a picture of each.
#include "DialogTestSupport.h"
#include "WidgetLookup.h"
#include "dialogs/BoardChannelDialog.h"
#include "dialogs/GateModesDialog.h"
#include "dialogs/ParameterDialogs.h"
#include "dialogs/TimedEventsDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

using namespace veltrane;
using namespace veltrane::dialogtest;

namespace {

void PressKey(QWidget* widget, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

void SettleDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
}

void SavePicture(QWidget* widget, const char* name) {
    widget->grab().save(QStringLiteral(VELTRANE_DIALOGS_PNG_DIR "/") + QLatin1String(name) +
                        QStringLiteral(".png"));
}

std::unique_ptr<DialogHost> HostOf(DialogWorld& world) {
    return std::make_unique<DialogHost>(world.config, world.prompts, world.live, world.link, world.clock);
}

} // namespace

TEST(BoardChannelDialogWidgets, ProtectionNoModesAndFlowFields) {
    DialogWorld world;
    world.config.SetPmtVoltage(850);
    world.live.status.pmtProtection = 1;
    QMainWindow frame;
    frame.setGeometry(100, 80, 900, 600);
    QPointer<QWidget> dialog = OpenBoardChannelDialog(HostOf(world), &frame);
    auto* pmt = Child<QLineEdit>(dialog, "pmtEdit");
    EXPECT_EQ(pmt->text(), QStringLiteral("0"));
    EXPECT_EQ(pmt->palette().color(QPalette::Text), QColor(Qt::red));
    EXPECT_FALSE(Child<QComboBox>(dialog, "modeList1")->isEnabled());
    EXPECT_EQ(Child<QComboBox>(dialog, "modeList2")->count(), 0);
    EXPECT_FALSE(Child<QLineEdit>(dialog, "h2Edit")->isEnabled());
    EXPECT_FALSE(Child<QLineEdit>(dialog, "air1Edit")->isEnabled());
    EXPECT_TRUE(Child<QLineEdit>(dialog, "triggerEdit")->isEnabled());
    // Top right corner of the screen's free area, whatever the main window's place and size.
    const QRect area = frame.screen()->availableGeometry();
    ASSERT_LE(dialog->frameGeometry().width(), area.width());
    EXPECT_EQ(dialog->frameGeometry().topRight(), area.topRight());
    frame.setGeometry(10, 40, 300, 200);
    dialog->close();
    SettleDeletes();
    dialog = OpenBoardChannelDialog(HostOf(world), &frame);
    EXPECT_EQ(dialog->frameGeometry().topRight(), area.topRight());

    // Protection ends: the field turns black again, though the live cycle no longer refreshes it.
    pmt = Child<QLineEdit>(dialog, "pmtEdit");
    EXPECT_EQ(pmt->palette().color(QPalette::Text), QColor(Qt::red));
    world.live.status.pmtProtection = 0;
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return pmt->palette().color(QPalette::Text) == QColor(Qt::black); }, 2000));
    SavePicture(dialog, "board_channel");
    delete dialog;
}

TEST(BoardChannelDialogWidgets, EnterDoesNothingEscapeCancelsTitleBarJustCloses) {
    DialogWorld world;
    world.SetModes({Mode(0, 1), Mode(1, 1)});
    world.config.SetCoefficient(CoefficientGroup::H2, 0, 1.0f);
    world.config.SetTriggerLevel(300);
    QPointer<QWidget> dialog = OpenBoardChannelDialog(HostOf(world), nullptr);
    EXPECT_TRUE(Child<QComboBox>(dialog, "modeList1")->isEnabled());
    EXPECT_TRUE(Child<QLineEdit>(dialog, "h2Edit")->isEnabled());
    auto* trigger = Child<QLineEdit>(dialog, "triggerEdit");
    trigger->setText(QStringLiteral("444"));
    PressKey(trigger, Qt::Key_Return);
    PressKey(dialog, Qt::Key_Enter);
    SettleDeletes();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(world.config.GetTriggerLevel(), 300);

    Child<QPushButton>(dialog, "applyButton")->click();
    EXPECT_EQ(world.config.GetTriggerLevel(), 444);
    PressKey(dialog, Qt::Key_Escape);
    SettleDeletes();
    EXPECT_FALSE(dialog);
    EXPECT_EQ(world.config.GetTriggerLevel(), 300);
    EXPECT_FALSE(world.live.boardDialogOpen);

    // The title bar's close keeps what was applied.
    dialog = OpenBoardChannelDialog(HostOf(world), nullptr);
    Child<QLineEdit>(dialog, "triggerEdit")->setText(QStringLiteral("555"));
    Child<QPushButton>(dialog, "applyButton")->click();
    dialog->close();
    SettleDeletes();
    EXPECT_FALSE(dialog);
    EXPECT_EQ(world.config.GetTriggerLevel(), 555);
    EXPECT_FALSE(world.live.boardDialogOpen);
}

TEST(BoardChannelDialogWidgets, RefusedOkKeepsTheDialogAndFocusesTheField) {
    DialogWorld world;
    QPointer<QWidget> dialog = OpenBoardChannelDialog(HostOf(world), nullptr);
    dialog->activateWindow();
    auto* trigger = Child<QLineEdit>(dialog, "triggerEdit");
    trigger->setText(QStringLiteral("5001"));
    Child<QPushButton>(dialog, "okButton")->click();
    SettleDeletes();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(world.prompts.Texts(), std::vector<std::string>{"Please enter an integer between 0 and 5000."});
    EXPECT_EQ(dialog->focusWidget(), trigger);
    trigger->setText(QStringLiteral("5000"));
    Child<QPushButton>(dialog, "okButton")->click();
    SettleDeletes();
    EXPECT_FALSE(dialog);
    EXPECT_EQ(world.config.GetTriggerLevel(), 5000);
}

TEST(GateModesDialogWidgets, SelectionEnablesChangeAndDeleteAndAddStopsAtFive) {
    DialogWorld world;
    world.SetModes({Mode(0, 1), Mode(0, 2), Mode(1, 1), Mode(3, 1, 2.5f, 12.0f, 2, -1.25f)});
    world.AssignChannel(0, 1, 1);
    GateModesDialog dialog(world.host, nullptr);
    dialog.show();
    auto* list = Child<QListWidget>(&dialog, "gateList");
    auto* add = Child<QPushButton>(&dialog, "addButton");
    auto* change = Child<QPushButton>(&dialog, "changeButton");
    auto* remove = Child<QPushButton>(&dialog, "deleteButton");
    ASSERT_EQ(list->count(), 4);
    EXPECT_TRUE(add->isEnabled());
    EXPECT_FALSE(change->isEnabled());
    EXPECT_FALSE(remove->isEnabled());

    list->setCurrentRow(3);
    EXPECT_TRUE(change->isEnabled());
    EXPECT_EQ(Child<QComboBox>(&dialog, "nameList")->currentText(), QStringLiteral("N"));
    EXPECT_EQ(Child<QLineEdit>(&dialog, "stopAEdit")->text(), QStringLiteral("12"));
    EXPECT_EQ(Child<QLabel>(&dialog, "formulaText")->text(), QStringLiteral("A * -1.250B"));
    SavePicture(&dialog, "gate_modes");

    Child<QComboBox>(&dialog, "nameList")->setCurrentIndex(5);
    add->click();
    EXPECT_EQ(list->count(), 5);
    EXPECT_FALSE(add->isEnabled());
    EXPECT_EQ(list->item(4)->text().section(QLatin1Char('\t'), 1, 1), QStringLiteral("  B"));

    // Renaming the channel 1 mode is refused; the buttons wait for a new selection.
    list->setCurrentRow(2);
    Child<QComboBox>(&dialog, "nameList")->setCurrentIndex(6);
    change->click();
    EXPECT_EQ(world.prompts.Texts().size(), 1u);
    EXPECT_FALSE(change->isEnabled());
    EXPECT_FALSE(remove->isEnabled());

    list->setCurrentRow(1);
    remove->click();
    EXPECT_EQ(list->count(), 4);
    EXPECT_TRUE(add->isEnabled());
    EXPECT_FALSE(remove->isEnabled());

    PressKey(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(world.config.GateModeCount(), 4); // Cancel stores nothing
}

TEST(TimedEventsDialogWidgets, LayoutFollowsTheTypeAndAddStopsAtSixteen) {
    DialogWorld world;
    world.SetModes({Mode(0, 1), Mode(1, 1)});
    std::vector<TimedEvent> events = {Event(0.5f, kEventAutoZero, 0, -1.0f),
                                      Event(1.25f, kEventAttenuation, 1, 3.0f),
                                      Event(2.0f, kEventGate, 0, 1.0f), Event(3.0f, kEventRecord, 0, 9.5f)};
    world.config.ReplaceTimedEvents(events);
    TimedEventsDialog dialog(world.host, nullptr);
    dialog.show();
    auto* valueList = Child<QComboBox>(&dialog, "valueList");
    auto* valueEdit = Child<QLineEdit>(&dialog, "valueEdit");
    auto* channel = Child<QComboBox>(&dialog, "channelList");
    auto* add = Child<QPushButton>(&dialog, "addButton");
    EXPECT_FALSE(valueList->isEnabled());
    EXPECT_TRUE(valueList->isVisible());
    EXPECT_FALSE(valueEdit->isVisible());
    EXPECT_FALSE(Child<QPushButton>(&dialog, "changeButton")->isEnabled());

    dialog.OnTypeChosen(kEventRecord);
    EXPECT_TRUE(valueEdit->isVisible());
    EXPECT_FALSE(valueList->isVisible());
    EXPECT_FALSE(channel->isEnabled());
    EXPECT_EQ(Child<QLabel>(&dialog, "valueLabel")->text(), QStringLiteral("Stop Time:"));
    dialog.OnTypeChosen(kEventGate);
    EXPECT_TRUE(channel->isEnabled());
    EXPECT_EQ(valueList->count(), 2);

    auto* list = Child<QListWidget>(&dialog, "eventList");
    list->setCurrentRow(2);
    EXPECT_EQ(valueList->currentText(), QStringLiteral("P"));
    EXPECT_TRUE(Child<QPushButton>(&dialog, "changeButton")->isEnabled());
    SavePicture(&dialog, "timed_events");

    Child<QLineEdit>(&dialog, "startTimeEdit")->setText(QStringLiteral("7"));
    while (add->isEnabled()) {
        add->click();
    }
    EXPECT_EQ(list->count(), 16);
    list->setCurrentRow(0);
    Child<QPushButton>(&dialog, "deleteButton")->click();
    EXPECT_TRUE(add->isEnabled());
    EXPECT_EQ(Child<QLineEdit>(&dialog, "startTimeEdit")->text(), QStringLiteral("0.01"));

    Child<QPushButton>(&dialog, "okButton")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(world.config.GetTimedEvents().size(), 15u);
}
