// The list editors driven as an operator drives them: focus, clicks and keys, and OK with the
// shipped DEFAULT.CFG.
#include "DialogTestSupport.h"
#include "WidgetLookup.h"
#include "dialogs/GateModesDialog.h"
#include "dialogs/ParameterDialogs.h"
#include "dialogs/TimedEventsDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace veltrane;
using namespace veltrane::dialogtest;

namespace {

void Click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton);
    QApplication::processEvents();
}

void ClickRow(QListWidget* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    QApplication::processEvents();
}

// Shown and active, as a dialog opened from the menu is.
void ShowActive(QWidget* dialog) {
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
}

// Tab from the button column into the list (it comes first in the focus chain).
void TabIntoList(QWidget* dialog, QListWidget* list) {
    Child<QPushButton>(dialog, "helpButton")->setFocus(Qt::OtherFocusReason);
    for (int i = 0; i < 40 && !list->hasFocus(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    ASSERT_TRUE(list->hasFocus());
}

struct Shipped {
    explicit Shipped(DialogWorld& world) : world_(world) {
        EXPECT_TRUE(world.config.LoadConfiguration(VELTRANE_TEST_SOURCE_DIR "/DEFAULT.CFG"));
        block = world.config.StoreBlock();
        entries = world.config.RunLogEntries().size();
        world.document.calls.clear();
    }
    bool Unchanged() const { return world_.config.StoreBlock() == block; }
    std::size_t NewEntries() const { return world_.config.RunLogEntries().size() - entries; }

    DialogWorld& world_;
    std::vector<std::uint8_t> block;
    std::size_t entries = 0;
};

} // namespace

TEST(GateModesOperator, OnlyAChosenRowLoadsTheEditorAndDeleteTakesOnlyThatRow) {
    DialogWorld world;
    world.SetModes({Mode(3, 1, 2.0f, 9.0f), Mode(10, 1, 5.0f, 12.0f), Mode(1, 1, 4.0f, 15.0f)}); // N, Fe, P
    GateModesDialog dialog(world.host, nullptr);
    ShowActive(&dialog);
    auto* list = Child<QListWidget>(&dialog, "gateList");
    auto* name = Child<QComboBox>(&dialog, "nameList");
    auto* stopA = Child<QLineEdit>(&dialog, "stopAEdit");
    auto* change = Child<QPushButton>(&dialog, "changeButton");
    auto* remove = Child<QPushButton>(&dialog, "deleteButton");

    TabIntoList(&dialog, list);
    EXPECT_EQ(name->currentText(), QStringLiteral("S"));
    EXPECT_EQ(stopA->text(), QStringLiteral("0.1"));
    EXPECT_FALSE(change->isEnabled());
    EXPECT_FALSE(remove->isEnabled());

    ClickRow(list, 1);
    EXPECT_EQ(name->currentText(), QStringLiteral("Fe"));
    EXPECT_EQ(stopA->text(), QStringLiteral("12"));
    ASSERT_TRUE(remove->isEnabled());
    // Delete by its accelerator; the button answers it with an animated click.
    QTest::keyClick(&dialog, Qt::Key_D, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->count() == 2; }));
    EXPECT_EQ(name->currentText(), QStringLiteral("S"));
    EXPECT_FALSE(change->isEnabled());
    EXPECT_FALSE(remove->isEnabled());
    Click(remove);
    EXPECT_EQ(list->count(), 2);

    // The first arrow key chooses the first row.
    list->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(name->currentText(), QStringLiteral("N"));
    EXPECT_TRUE(change->isEnabled());
    stopA->setText(QStringLiteral("10"));
    QTest::keyClick(&dialog, Qt::Key_N, Qt::AltModifier); // Change by its accelerator
    ASSERT_TRUE(QTest::qWaitFor([&] { return !change->isEnabled(); }));
    EXPECT_FALSE(remove->isEnabled());
    EXPECT_EQ(stopA->text(), QStringLiteral("10"));
    list->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    EXPECT_FALSE(remove->isEnabled());

    Click(Child<QPushButton>(&dialog, "okButton"));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(world.config.GateModeCount(), 2);
    EXPECT_EQ(world.config.GetGateMode(0).stopA, 10.0f);
    EXPECT_EQ(world.config.GetGateMode(1).name, 1);
    EXPECT_EQ(world.LogCount("Deleted Gate Mode"), 1u);
    EXPECT_TRUE(world.prompts.Texts().empty());
}

TEST(TimedEventsOperator, OnlyAChosenRowLoadsTheEditorAndDeleteTakesOnlyThatRow) {
    DialogWorld world;
    std::vector<TimedEvent> events = {Event(0.5f, kEventAutoZero, 0, -1.0f),
                                      Event(1.25f, kEventAttenuation, 1, 3.0f),
                                      Event(3.0f, kEventRecord, 0, 9.5f)};
    world.config.ReplaceTimedEvents(events);
    TimedEventsDialog dialog(world.host, nullptr);
    ShowActive(&dialog);
    auto* list = Child<QListWidget>(&dialog, "eventList");
    auto* start = Child<QLineEdit>(&dialog, "startTimeEdit");
    auto* change = Child<QPushButton>(&dialog, "changeButton");
    auto* remove = Child<QPushButton>(&dialog, "deleteButton");

    TabIntoList(&dialog, list);
    EXPECT_EQ(start->text(), QStringLiteral("0.01"));
    EXPECT_FALSE(change->isEnabled());
    EXPECT_FALSE(remove->isEnabled());

    ClickRow(list, 1);
    EXPECT_EQ(start->text(), QStringLiteral("1.25"));
    ASSERT_TRUE(change->isEnabled());
    start->setText(QStringLiteral("2.5"));
    Click(change);
    EXPECT_FALSE(change->isEnabled());
    EXPECT_FALSE(remove->isEnabled());
    EXPECT_EQ(start->text(), QStringLiteral("2.5"));
    Click(remove);
    EXPECT_EQ(list->count(), 3);

    list->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(start->text(), QStringLiteral("0.5"));
    ASSERT_TRUE(remove->isEnabled());
    Click(remove);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(start->text(), QStringLiteral("0.01"));
    EXPECT_FALSE(remove->isEnabled());
    Click(remove);
    EXPECT_EQ(list->count(), 2);

    Click(Child<QPushButton>(&dialog, "okButton"));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(world.config.GetTimedEvents().size(), 2u);
    EXPECT_EQ(world.config.GetTimedEvents()[0].startTime, 2.5f);
    EXPECT_EQ(world.config.GetTimedEvents()[1].type, kEventRecord);
    EXPECT_TRUE(world.prompts.Texts().empty());
}

TEST(ShippedDefaults, BoardDialogTakesThemAndOkStoresNothingNew) {
    DialogWorld world;
    const Shipped shipped(world);
    QPointer<QWidget> dialog = OpenBoardChannelDialog(
        std::make_unique<DialogHost>(world.config, world.prompts, world.live, world.link, world.clock),
        nullptr);
    Click(Child<QPushButton>(dialog, "okButton"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(dialog);
    EXPECT_TRUE(world.prompts.Texts().empty());
    EXPECT_TRUE(shipped.Unchanged());
    EXPECT_EQ(shipped.NewEntries(), 0u);
    EXPECT_EQ(world.document.calls, std::vector<bool>{true}); // the dialog counts as edited once shown
}

// Opens the dialog on the shipped defaults and presses Return; then opens it again, passes every row
// through Change and presses OK. Neither changes the configuration; OK logs what the dialog always logs.
template <typename Dialog>
void PassEveryRowThroughChangeAndOk(const char* listName, std::size_t entriesPerOk) {
    DialogWorld world;
    const Shipped shipped(world);
    {
        Dialog dialog(world.host, nullptr);
        ShowActive(&dialog);
        QTest::keyClick(&dialog, Qt::Key_Return);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_TRUE(world.document.calls.empty());
        EXPECT_EQ(shipped.NewEntries(), entriesPerOk);
    }
    Dialog dialog(world.host, nullptr);
    ShowActive(&dialog);
    auto* list = Child<QListWidget>(&dialog, listName);
    for (int row = 0; row < list->count(); ++row) {
        ClickRow(list, row);
        Click(Child<QPushButton>(&dialog, "changeButton"));
    }
    Click(Child<QPushButton>(&dialog, "okButton"));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(world.prompts.Texts().empty());
    EXPECT_TRUE(shipped.Unchanged());
    EXPECT_EQ(shipped.NewEntries(), 2 * entriesPerOk);
}

TEST(ShippedDefaults, GateModesPassEveryModeThroughChangeAndOk) {
    PassEveryRowThroughChangeAndOk<GateModesDialog>("gateList", 0);
}

TEST(ShippedDefaults, TimedEventsPassEveryEventThroughChangeAndOk) {
    PassEveryRowThroughChangeAndOk<TimedEventsDialog>("eventList", 1); // OK always logs the list
}
