#include "CommaLocale.h"
#include "FakePlatform.h"
#include "GuiTestSupport.h"
#include "app/AppMessages.h"
#include "app/CMainFrame.h"
#include "app/CPfpdApp.h"
#include "app/LiveChromatogramPanel.h"
#include "app/SettingsProfile.h"
#include "config/Messages.h"
#include "datafile/DataFileReader.h"
#include "dialogs/DialogMessages.h"
#include "live/CLiveView.h"
#include "live/LiveMessages.h"
#include "live/RecordingSession.h"
#include "platform/NumberText.h"
#include "plot/OPfpdPlot.h"
#include "plot/PlotTrace.h"
#include "sim/ControllerMemory.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using namespace veltrane;

namespace {

// Each test runs in a fresh working directory with its own profile file.
class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir.Path());
        options.profileFile = dir.File("profile.ini");
    }
    ~MainWindowTest() override {
        app.reset();
        std::filesystem::current_path(previous_);
    }

    CPfpdApp& Start() {
        app = std::make_unique<CPfpdApp>(options, "veltrane");
        app->openUrl = [this](const std::string& url) {
            opened.push_back(url);
            return browserStarts;
        };
        app->programFolder = programFolder;
        app->searchPath = searchPath;
        started = app->InitInstance();
        return *app;
    }

    void WriteDefaults(const std::string& name) {
        std::filesystem::copy_file(std::string(VELTRANE_TEST_SOURCE_DIR) + "/DEFAULT.CFG", dir.File(name));
    }

    // The options as the command line gives them (the test's own profile kept).
    bool CommandLine(const std::vector<std::string>& arguments) {
        std::string error;
        const auto parsed = ParseCommandLine(arguments, error);
        if (!parsed) {
            ADD_FAILURE() << error;
            return false;
        }
        options = *parsed;
        options.profileFile = dir.File("profile.ini");
        return true;
    }

    // Pumps until a recording runs and has taken a few pulses (the emulator warms up first).
    void PumpUntilRecorded(CPfpdApp& program, std::uint32_t pulses) {
        ASSERT_TRUE(guitest::PumpUntil([&] { return program.Document().Recorder().RecordCount() >= pulses; }))
            << "no recording with " << pulses << " pulses";
    }

    // A request runs inside one tick, so an empty slot after a pump means it has been carried out.
    void PumpUntilRequestsRan(CPfpdApp& program) {
        guitest::Pump(100);
        ASSERT_TRUE(guitest::PumpUntil([&] { return program.Live().pendingRequest.Empty(); }))
            << "the requests did not run";
    }

    DataFileContents ReadData(const std::string& name) {
        DataFileContents contents;
        std::string error;
        EXPECT_TRUE(ReadDataFile(dir.File(name), contents, error)) << error;
        return contents;
    }

    fakes::TempDir dir;
    std::filesystem::path previous_;
    CommandLineOptions options;
    std::unique_ptr<CPfpdApp> app;
    bool started = false;
    std::vector<std::string> opened;
    bool browserStarts = true;
    // Where the program looks for Corvanet: nothing there unless a test puts it there.
    std::string programFolder = dir.File("bin");
    std::string searchPath;
};

// What a status bar pane shows (the panes are the bar's labels, named by their identifiers).
QString Pane(CMainFrame& frame, int paneId) {
    auto* pane = frame.statusBar()->findChild<QLabel*>(QStringLiteral("pane%1").arg(paneId));
    return pane == nullptr ? QStringLiteral("(no pane)") : pane->text();
}

// The form's button of that caption (the first of the two for Hold and Clear: Reference 1).
QPushButton* FormButton(CLiveView& view, const QString& caption) {
    for (auto* button : view.findChildren<QPushButton*>()) {
        if (button->text() == caption) {
            return button;
        }
    }
    ADD_FAILURE() << "no " << caption.toStdString() << " button";
    return nullptr;
}

// How many of the form's fields show this text.
int FieldsShowing(CLiveView& view, const QString& text) {
    int count = 0;
    for (auto* field : view.findChildren<QLineEdit*>()) {
        count += field->text() == text ? 1 : 0;
    }
    return count;
}

// Message boxes still open anywhere (a notice is not modal, so it can outlive its event).
std::vector<QMessageBox*> MessageBoxes() {
    std::vector<QMessageBox*> boxes;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(window)) {
            boxes.push_back(box);
        }
    }
    return boxes;
}

} // namespace

TEST_F(MainWindowTest, EscapeInTheModeDialogEndsTheProgram) {
    guitest::PressEscapeOnNextModal();
    Start();
    EXPECT_FALSE(started);
    EXPECT_FALSE(app->Frame()->isVisible());
}

TEST_F(MainWindowTest, OfflineOpensTheDefaultsWithTheFormDisabled) {
    WriteDefaults("default.cfg"); // matched without regard to case
    options.session = SessionChoice::Offline;
    CPfpdApp& program = Start();
    ASSERT_TRUE(started);
    EXPECT_FALSE(program.Live().online);
    EXPECT_EQ(program.Document().Title(), "default.cfg");
    EXPECT_TRUE(program.GetPrompts().History().empty());
    CMainFrame& frame = *program.Frame();
    int controls = 0;
    for (auto* control : frame.View().findChildren<QWidget*>()) {
        if (qobject_cast<QAbstractButton*>(control) != nullptr ||
            qobject_cast<QLineEdit*>(control) != nullptr) {
            ++controls;
            EXPECT_FALSE(control->isEnabled()) << control->metaObject()->className();
        }
    }
    EXPECT_GT(controls, 20); // every button and field of the form
    EXPECT_FALSE(frame.View().CycleRunning());

    frame.UpdateCommandUi();
    EXPECT_FALSE(frame.Action(Command::SetToDefaults)->isEnabled());
    EXPECT_TRUE(frame.Action(Command::CommunicationsPort)->isEnabled());
    EXPECT_FALSE(frame.Action(Command::TransmitAll)->isEnabled());
    EXPECT_FALSE(frame.Action(Command::ViewZoom)->isEnabled());
    EXPECT_FALSE(frame.Action(Command::FileSave)->isEnabled()); // Save over DEFAULT.CFG
    EXPECT_FALSE(frame.Action(Command::Advanced)->isEnabled()); // advanced items never
    EXPECT_FALSE(frame.Action(Command::UseCorvanet)->isEnabled());
    EXPECT_EQ(frame.Action(Command::TransmitAll)->statusTip(),
              QStringLiteral("Transmit all the PFPD settings to the device"));

    // The board dialog, opened from its toolbar button, disables File Open and Board/Channel while it is
    // open.
    QWidget* boardButton = frame.ToolBar()->widgetForAction(frame.Action(Command::BoardChannel));
    ASSERT_NE(boardButton, nullptr);
    QTest::mouseClick(boardButton, Qt::LeftButton);
    EXPECT_TRUE(program.Live().boardDialogOpen);
    EXPECT_FALSE(frame.Action(Command::FileOpen)->isEnabled());
    EXPECT_FALSE(frame.Action(Command::BoardChannel)->isEnabled());
    QPointer<QWidget> board = frame.findChild<QWidget*>(QStringLiteral("boardDialog"));
    ASSERT_NE(board, nullptr);
    ASSERT_TRUE(board->isVisible());
    QTest::keyClick(board, Qt::Key_Escape);
    EXPECT_TRUE(guitest::PumpUntil([&] { return !program.Live().boardDialogOpen; }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // what the event loop does next
    EXPECT_EQ(board, nullptr);
    EXPECT_EQ(program.Live().resumeDelay, 10);
    EXPECT_TRUE(frame.Action(Command::FileOpen)->isEnabled());

    // Opened again, and the program ends with it open.
    QTest::mouseClick(boardButton, Qt::LeftButton);
    EXPECT_TRUE(program.Live().boardDialogOpen);
    app.reset();
}

TEST_F(MainWindowTest, ProfileLimitsReadWithTheirDecimalsInACommaLocale) {
    VELTRANE_IN_COMMA_LOCALE(locale);
    SettingsProfile(options.profileFile).SetString("Preferences", "Data Size", "1.40");
    WriteDefaults("DEFAULT.CFG");
    options.session = SessionChoice::Offline;
    CPfpdApp& program = Start();
    ASSERT_TRUE(started);
    EXPECT_FLOAT_EQ(program.Live().maxDataFileMB, 1.4f);
    EXPECT_FLOAT_EQ(program.Live().minDiskFreeMB, 2.0f);
}

TEST_F(MainWindowTest, EarlyPulseRequestIsTickedInTheCommunicationsDialogAndKeptInTheProfile) {
    WriteDefaults("DEFAULT.CFG");
    options.session = SessionChoice::Offline;
    CPfpdApp& program = Start();
    ASSERT_TRUE(started);
    EXPECT_FALSE(program.Port().EarlyPulseRequest()); // off unless asked for
    bool shownUnticked = false;
    guitest::OnNextModal([&](QWidget* modal) {
        auto* box = modal->findChild<QCheckBox*>(QStringLiteral("earlyPulseRequest"));
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), QString::fromUtf8(messages::kCommEarlyPulse));
        shownUnticked = !box->isChecked();
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
        QTest::mouseClick(modal->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
    });
    program.Frame()->Action(Command::CommunicationsPort)->trigger();
    EXPECT_TRUE(shownUnticked);
    EXPECT_TRUE(program.Live().earlyPulseRequest);
    EXPECT_TRUE(program.Port().EarlyPulseRequest());

    app.reset(); // the next start takes it from the profile
    CPfpdApp& again = Start();
    EXPECT_TRUE(again.Port().EarlyPulseRequest());
    app.reset();
    SettingsProfile(options.profileFile).SetInt(CPfpdApp::kEarlyPulseSection, CPfpdApp::kEarlyPulseKey, 0);
    ASSERT_TRUE(CommandLine({"--offline", "--early-pulse-request"})); // for one run, not kept
    EXPECT_TRUE(Start().Port().EarlyPulseRequest());
    EXPECT_EQ(SettingsProfile(options.profileFile)
                  .GetInt(CPfpdApp::kEarlyPulseSection, CPfpdApp::kEarlyPulseKey, 0),
              0);
}

TEST_F(MainWindowTest, StatusPanesFollowTheLiveState) {
    WriteDefaults("DEFAULT.CFG");
    options.session = SessionChoice::Offline;
    CPfpdApp& program = Start();
    ASSERT_TRUE(started);
    CMainFrame& frame = *program.Frame();
    program.Live().status.controllerState = 3;
    program.Live().runTime = 12.345f;
    // The panes follow at idle time.
    EXPECT_TRUE(
        guitest::PumpUntil([&] { return Pane(frame, CMainFrame::kPaneState) == QStringLiteral("RUN"); }));
    EXPECT_EQ(Pane(frame, CMainFrame::kPaneRunTime), QStringLiteral("  12.35 MIN"));
    EXPECT_EQ(Pane(frame, CMainFrame::kPaneFileSize), QStringLiteral("0.00 MB"));
    EXPECT_TRUE(Pane(frame, CMainFrame::kPaneFree).startsWith(QStringLiteral("FREE = ")));
    program.Live().status.controllerState = 5;
    EXPECT_TRUE(guitest::PumpUntil([&] { return Pane(frame, CMainFrame::kPaneState).isEmpty(); }));
}

TEST_F(MainWindowTest, FrequencyFieldTurnsRedAboveTheAlarm) {
    WriteDefaults("DEFAULT.CFG");
    options.session = SessionChoice::Offline;
    CLiveView& view = Start().Frame()->View();
    QLineEdit* field = view.CurrentFrequencyField();
    const auto red = [field] {
        return field->palette().color(QPalette::Active, QPalette::Text) == QColor(Qt::red);
    };
    view.SetCurrentFrequency(4.7f);
    EXPECT_EQ(field->text(), QStringLiteral("  4.70"));
    EXPECT_FALSE(red());
    view.SetCurrentFrequency(4.71f);
    EXPECT_TRUE(red());
}

TEST_F(MainWindowTest, HelpOpensTheManualAtTheDialogsSection) {
    WriteDefaults("DEFAULT.CFG");
    options.session = SessionChoice::Offline;
    CPfpdApp& program = Start();
    program.OpenHelp("communications");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_NE(opened[0].find("manual/index.html#communications"), std::string::npos);
    EXPECT_TRUE(program.GetPrompts().History().empty());

    // Without a browser the operator is told where the manual lies.
    browserStarts = false;
    program.GetPrompts().SetAutoAnswer(false);
    program.OpenHelp("preferences");
    ASSERT_EQ(program.GetPrompts().History().size(), 1u);
    EXPECT_EQ(program.GetPrompts().History().back(), QString::fromUtf8(messages::kNoBrowser)
                                                         .arg(QString::fromStdString(program.ManualPath()))
                                                         .toStdString());
}

// A fresh install has no profile: Corvanet beside the program is found, and the profile is left as
// it was.
TEST_F(MainWindowTest, UseCorvanetFindsTheViewerBesideTheProgramWithAnEmptyProfile) {
    WriteDefaults("DEFAULT.CFG");
    options.session = SessionChoice::Offline;
    fakes::WriteScript(programFolder + "/Corvanet");
    searchPath = dir.File("elsewhere");
    fakes::WriteScript(searchPath + "/Corvanet");
    CPfpdApp& program = Start();
    ASSERT_TRUE(started);
    program.Frame()->UpdateCommandUi();
    EXPECT_TRUE(program.Frame()->Action(Command::UseCorvanet)->isEnabled());
    EXPECT_EQ(program.Frame()->ViewerPath(), programFolder);
    app.reset();
    EXPECT_EQ(SettingsProfile(options.profileFile).GetString("Corvanet", "Path", "unset"), "unset");
}

// The Preferences dialog keeps a folder without Corvanet out of the profile; a folder holding it
// is stored and enables Use Corvanet at once.
TEST_F(MainWindowTest, PreferencesTakeOnlyAFolderThatHoldsCorvanet) {
    WriteDefaults("DEFAULT.CFG");
    options.session = SessionChoice::Offline;
    options.autoAnswer = false;
    const std::string good = dir.File("viewer");
    fakes::WriteScript(good + "/Corvanet");
    CPfpdApp& program = Start();
    ASSERT_TRUE(started);
    CMainFrame& frame = *program.Frame();
    frame.UpdateCommandUi();
    EXPECT_FALSE(frame.Action(Command::UseCorvanet)->isEnabled());

    bool stayedOpen = false;
    guitest::OnNextModal([&](QWidget* modal) {
        auto* field = modal->findChild<QLineEdit*>(QStringLiteral("corvanetFolder"));
        ASSERT_NE(field, nullptr);
        QAbstractButton* ok = nullptr;
        for (auto* button : modal->findChildren<QAbstractButton*>()) {
            if (button->text() == QStringLiteral("&OK")) {
                ok = button;
            }
        }
        ASSERT_NE(ok, nullptr);
        field->setFocus();
        QTest::keyClicks(field, QString::fromStdString(dir.File("bin")));
        QTest::mouseClick(ok, Qt::LeftButton);
        stayedOpen = modal->isVisible();
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, QString::fromStdString(good));
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    frame.Action(Command::Preferences)->trigger();
    EXPECT_TRUE(stayedOpen);
    ASSERT_FALSE(program.GetPrompts().History().empty());
    EXPECT_EQ(program.GetPrompts().History().back(), QString::fromUtf8(messages::kNoCorvanetInFolder)
                                                         .arg(QString::fromStdString(dir.File("bin")))
                                                         .toStdString());
    EXPECT_EQ(program.GetProfile().GetString("Corvanet", "Path", ""), good);
    EXPECT_TRUE(frame.Action(Command::UseCorvanet)->isEnabled());
}

// The simulated session on either of the emulator's lines (--simulate-line pty|pipe).
class SimulatedLineTest : public MainWindowTest, public ::testing::WithParamInterface<const char*> {
protected:
    SimulatedLineTest() { EXPECT_TRUE(CommandLine({"--simulate", "--simulate-line", GetParam()})); }
};

INSTANTIATE_TEST_SUITE_P(Lines, SimulatedLineTest, ::testing::Values("pty", "pipe"));

TEST_P(SimulatedLineTest, SimulatedSessionShowsPulsesWithoutGaps) {
    WriteDefaults("DEFAULT.CFG");
    options.session = SessionChoice::Online;
    CPfpdApp& program = Start();
    ASSERT_TRUE(started);
    EXPECT_TRUE(program.Live().online);
    EXPECT_FALSE(program.Live().controllerVersion.empty());
    CMainFrame& frame = *program.Frame();
    const CycleStats& stats = frame.View().Cycle()->Stats();
    // The emulator warms up for three seconds.
    EXPECT_TRUE(guitest::PumpUntil([&] { return stats.pulses >= 8u; }));
    EXPECT_EQ(stats.sequenceGaps, 0u);
    EXPECT_TRUE(
        guitest::PumpUntil([&] { return Pane(frame, CMainFrame::kPaneState) == QStringLiteral("READY"); }));
    const QString current = frame.View().CurrentFrequencyField()->text();
    double hz = 0;
    EXPECT_TRUE(ParseDouble(current.trimmed().toStdString(), hz)) << current.toStdString();
    EXPECT_GT(hz, 3.0);
    EXPECT_LT(hz, 3.6);

    // Hold copies the frequency shown into Reference 1; Clear empties it again.
    QTest::mouseClick(FormButton(frame.View(), QStringLiteral("Hold")), Qt::LeftButton);
    EXPECT_EQ(FieldsShowing(frame.View(), current), 2);
    QTest::mouseClick(FormButton(frame.View(), QStringLiteral("Clear")), Qt::LeftButton);
    EXPECT_EQ(FieldsShowing(frame.View(), current), 1);
    frame.UpdateCommandUi();
    EXPECT_TRUE(frame.Action(Command::SetToDefaults)->isEnabled());
    EXPECT_FALSE(frame.Action(Command::CommunicationsPort)->isEnabled());
    EXPECT_TRUE(program.GetPrompts().History().empty());
}

TEST_P(SimulatedLineTest, UnpluggedLineIsReportedOnceAndPulsesResume) {
    WriteDefaults("DEFAULT.CFG");
    options.session = SessionChoice::Online;
    options.simulateHangupStart = 2.0;
    options.simulateHangupLength = 1.5;
    CPfpdApp& program = Start();
    ASSERT_TRUE(started);
    const CycleStats& stats = program.Frame()->View().Cycle()->Stats();
    EXPECT_TRUE(guitest::PumpUntil([&] { return stats.reconnects >= 1u && stats.pulses >= 10u; }));
    EXPECT_EQ(stats.linkLosses, 1u);
    EXPECT_EQ(stats.reconnects, 1u);
    EXPECT_GE(stats.pulses, 10u); // about three seconds of pulses on either side
    EXPECT_EQ(stats.sequenceGaps, 0u);
    // The loss and the recovery share one window, which now says the line is back.
    ASSERT_EQ(MessageBoxes().size(), 1u);
    EXPECT_EQ(MessageBoxes().front()->text(), QString::fromUtf8(messages::kLinkRestored));
    EXPECT_EQ(program.GetPrompts().History(),
              (std::vector<std::string>{messages::kLinkLost, messages::kLinkRestored}));
    for (int hangUp = 0; hangUp < 21; ++hangUp) {
        program.Frame()->ShowNotice(messages::kLinkLost);
        program.Frame()->ShowNotice(messages::kLinkRestored);
    }
    EXPECT_EQ(MessageBoxes().size(), 1u);
}

// Unattended runs show no boxes: messages, questions and the PMT warning are printed and
// answered, so nothing waits for a click that never comes.
TEST_F(MainWindowTest, AutoAnswerShowsNoBoxesAndAnswersEveryQuestion) {
    options.session = SessionChoice::Offline;
    options.autoAnswer = false;
    CPfpdApp& program = Start();
    ASSERT_TRUE(started); // the start-up's own messages (no DEFAULT.CFG here) did not wait either
    const std::size_t before = program.GetPrompts().History().size();
    program.GetPrompts().ShowMessage("plain message");
    EXPECT_FALSE(program.GetPrompts().AskWarning("replace?"));
    program.Frame()->View().ShowPmtWarning();
    ASSERT_EQ(program.GetPrompts().History().size(), before + 3);
    EXPECT_EQ(program.GetPrompts().History().back(),
              std::string(messages::kPmtWarningText1) + "\n\n" + messages::kPmtWarningText2);
    for (int hangUp = 0; hangUp < 22; ++hangUp) {
        program.Frame()->ShowNotice(messages::kLinkLost);
        program.Frame()->ShowNotice(messages::kLinkRestored);
    }
    EXPECT_TRUE(MessageBoxes().empty());
    ASSERT_EQ(program.GetPrompts().History().size(), before + 3 + 44);
    EXPECT_EQ(program.GetPrompts().History().back(), messages::kLinkRestored);
}

TEST_F(MainWindowTest, LivePlotDrawsDottedGridLinesAtItsLabelledTicks) {
    WriteDefaults("DEFAULT.CFG");
    options.session = SessionChoice::Offline;
    CPfpdApp& program = Start();
    auto* plot = program.Frame()->View().findChild<OPfpdPlot*>();
    ASSERT_NE(plot, nullptr);
    plot->Render();
    const QImage image = plot->Surface().toImage();
    const PlotTrace& trace = *plot->Model().Trace(0);
    // 4 ms is labelled on the time axis; its column crosses the empty upper plot.
    const int x = PixelX(plot->Model().View(), plot->Model().Rect(), ToLogicalX(trace, 4.0));
    const int top = plot->Model().Rect().top + 4;
    int black = 0;
    int other = 0;
    for (int y = top; y < top + 60; ++y) {
        (image.pixelColor(x, y) == QColor(Qt::black) ? black : other) += 1;
    }
    EXPECT_GT(black, 15); // a line all the way up ...
    EXPECT_GT(other, 15); // ... and dotted
}

TEST_F(MainWindowTest, ToolbarHiddenFromItsContextMenuClearsTheViewMenuCheck) {
    WriteDefaults("DEFAULT.CFG");
    options.session = SessionChoice::Offline;
    CMainFrame& frame = *Start().Frame();
    QAction* viewToolbar = frame.Action(Command::ViewToolbar);
    ASSERT_TRUE(viewToolbar->isChecked());
    // What right-clicking the toolbar shows: the main window's toolbar menu.
    std::unique_ptr<QMenu> menu(frame.createPopupMenu());
    ASSERT_NE(menu, nullptr);
    QAction* toggle = frame.ToolBar()->toggleViewAction();
    ASSERT_TRUE(menu->actions().contains(toggle));
    toggle->trigger();
    EXPECT_FALSE(frame.ToolBar()->isVisible());
    EXPECT_FALSE(viewToolbar->isChecked());
    toggle->trigger();
    EXPECT_TRUE(frame.ToolBar()->isVisible());
    EXPECT_TRUE(viewToolbar->isChecked());
}

namespace {

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Answers "Save changes to ...?" with Yes, then handles the file dialog that must follow.
void AnswerYesThenInSaveAs(std::function<void(QFileDialog*)> inSaveAs, bool& sawSaveAs) {
    guitest::OnNextModal([inSaveAs, &sawSaveAs](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        guitest::OnNextModal([inSaveAs, &sawSaveAs](QWidget* next) {
            auto* dialog = qobject_cast<QFileDialog*>(next);
            sawSaveAs = dialog != nullptr;
            if (dialog != nullptr) {
                inSaveAs(dialog);
            }
        });
        box->button(QMessageBox::Yes)->click();
    });
}

} // namespace

TEST_F(MainWindowTest, ClosingWithUnsavedDefaultsOffersSaveAsAndNeverWritesThem) {
    WriteDefaults("DEFAULT.CFG");
    options.session = SessionChoice::Offline;
    CPfpdApp& program = Start();
    CMainFrame& frame = *program.Frame();
    const std::string defaults = dir.File("DEFAULT.CFG");
    const std::string shipped = FileBytes(defaults);
    std::ofstream(dir.File("veltrane.log")).put('\n'); // the edit's log entry finds its file
    program.Config().SetPmtVoltage(static_cast<std::int16_t>(program.Config().GetPmtVoltage() + 10));
    program.Config().MarkModified(true);

    bool sawSaveAs = false;
    AnswerYesThenInSaveAs([](QFileDialog* dialog) { dialog->reject(); }, sawSaveAs);
    EXPECT_FALSE(frame.close()); // Save As cancelled: the window stays, nothing is lost
    EXPECT_TRUE(sawSaveAs);
    EXPECT_TRUE(frame.isVisible());
    EXPECT_TRUE(program.Document().IsModified());
    EXPECT_EQ(FileBytes(defaults), shipped);

    const std::string mine = dir.File("mine.cfg");
    sawSaveAs = false;
    AnswerYesThenInSaveAs(
        [mine](QFileDialog* dialog) {
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            name->setText(QString::fromStdString(mine));
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(name, &enter);
        },
        sawSaveAs);
    EXPECT_TRUE(frame.close());
    EXPECT_TRUE(sawSaveAs);
    EXPECT_EQ(FileBytes(defaults), shipped);
    EXPECT_TRUE(std::filesystem::exists(mine));
    EXPECT_NE(FileBytes(mine), shipped);
}

// Unattended, "Save changes?" is printed and answered without a box. Yes saves a file of the
// document's own; for the defaults, which only Save As could keep, it becomes No and the window closes.
TEST_F(MainWindowTest, AutoAnswerYesSavesOwnFilesAndNeverWaitsForSaveAs) {
    WriteDefaults("DEFAULT.CFG");
    WriteDefaults("RUN.CFG");
    const std::string shipped = FileBytes(dir.File("DEFAULT.CFG"));
    std::ofstream(dir.File("veltrane.log")).put('\n'); // the edit's log entry finds its file
    QTimer escape; // a box or dialog that did come up would wait for ever: Escape dismisses it
    QObject::connect(&escape, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
        }
    });
    escape.start(20);
    options.session = SessionChoice::Offline;
    options.autoAnswer = true;
    for (const char* file : {"RUN.CFG", "DEFAULT.CFG"}) {
        options.documentFile = dir.File(file);
        CPfpdApp& program = Start();
        program.Config().SetPmtVoltage(static_cast<std::int16_t>(program.Config().GetPmtVoltage() + 10));
        program.Config().MarkModified(true);
        EXPECT_TRUE(program.Frame()->close()) << file;
        EXPECT_EQ(program.GetPrompts().History().back(), "Save changes to " + std::string(file) + "?");
    }
    EXPECT_NE(FileBytes(dir.File("RUN.CFG")), shipped);
    EXPECT_EQ(FileBytes(dir.File("DEFAULT.CFG")), shipped);
}

// The desktop's "open with" names a file after the options: it is opened as File Open opens one,
// and a file that cannot be read gets File Open's messages over the defaults.
TEST_F(MainWindowTest, AFileNamedOnTheCommandLineIsOpenedOffline) {
    WriteDefaults("DEFAULT.CFG");
    WriteDefaults("mine.cfg");
    ASSERT_TRUE(CommandLine({"--offline", "--auto-answer", "no", "mine.cfg"}));
    CPfpdApp& program = Start();
    ASSERT_TRUE(started);
    EXPECT_EQ(program.Document().Title(), "mine.cfg");
    EXPECT_TRUE(program.GetPrompts().History().empty());
    EXPECT_TRUE(program.Frame()->windowTitle().contains(QStringLiteral("mine.cfg")));

    app.reset();
    ASSERT_TRUE(CommandLine({"--offline", "--auto-answer", "no", "missing.cfg"}));
    CPfpdApp& again = Start();
    ASSERT_TRUE(started);
    EXPECT_EQ(again.Document().Title(), "DEFAULT.CFG");
    ASSERT_EQ(again.GetPrompts().History().size(), 2u);
    EXPECT_NE(again.GetPrompts().History()[0].find("missing.cfg"), std::string::npos);
    EXPECT_EQ(again.GetPrompts().History()[1], messages::kInvalidConfigurationFile);
}

// Online the named file goes to the controller, and the EEPROM question is asked (and here answered).
TEST_F(MainWindowTest, AFileNamedOnTheCommandLineIsTransmittedOnline) {
    WriteDefaults("mine.cfg");
    std::vector<unsigned char> bytes = fakes::ReadBytes(dir.File("mine.cfg"));
    bytes[6] = 0x2b; // PMT voltage 555, which the emulator does not start with
    bytes[7] = 0x02;
    fakes::WriteBytes(dir.File("mine.cfg"), bytes);
    ASSERT_TRUE(CommandLine({"--simulate", "--auto-answer", "yes", "mine.cfg"}));
    CPfpdApp& program = Start();
    ASSERT_TRUE(started);
    EXPECT_EQ(program.Document().Title(), "mine.cfg");
    ASSERT_FALSE(program.GetPrompts().History().empty());
    EXPECT_EQ(program.GetPrompts().History().front(), messages::kSaveToEepromQuestion);
    PumpUntilRequestsRan(program); // the transmit, then the EEPROM save
    program.Frame()->Action(Command::ReceiveAll)->trigger();
    PumpUntilRequestsRan(program);
    EXPECT_EQ(program.Config().GetPmtVoltage(), 555);
}

// --record begins once the controller's settings are in, so the first file carries them; the
// run-log text written while it records stays in it whichever way the program ends.
TEST_F(MainWindowTest, RecordFromTheCommandLineCarriesTheControllersSettingsAndItsNotesToTheEnd) {
    for (const bool byFileExit : {true, false}) {
        SCOPED_TRACE(byFileExit ? "File > Exit" : "--quit-after");
        ASSERT_TRUE(CommandLine({"--simulate", "--auto-answer", "yes", "--record", "RUN.dat"}));
        CPfpdApp& program = Start();
        ASSERT_TRUE(started);
        PumpUntilRecorded(program, 2);
        const std::string name =
            std::filesystem::path(program.Document().Recorder().Path()).filename().string();
        const std::vector<std::uint8_t> received = program.Config().StoreBlock();
        program.Frame()->Action(Command::SaveToEeprom)->trigger();
        PumpUntilRequestsRan(program);
        if (byFileExit) {
            program.Frame()->findChild<QAction*>(QStringLiteral("fileExit"))->trigger();
            EXPECT_FALSE(program.Frame()->isVisible());
        } else {
            app.reset(); // what the program does when --quit-after ends its event loop
        }

        const DataFileContents file = ReadData(name);
        EXPECT_EQ(file.configurationBytes, received);
        EXPECT_EQ(file.configuration.board.pmtVoltage, ControllerMemory::Factory().PmtVoltage());
        EXPECT_FALSE(file.configuration.gateModes.empty());
        EXPECT_GE(file.pulses.size(), 2u);
        EXPECT_NE(file.runLogText.find(messages::kLogSavedToEeprom), std::string::npos);
        app.reset();
    }
}

// The file dialog's designator rule holds for the command line too: refused, nothing recorded.
TEST_F(MainWindowTest, RecordRefusesADesignatorLongerThanFive) {
    ASSERT_TRUE(CommandLine({"--simulate", "--auto-answer", "no", "--record", "RUN005.dat"}));
    CPfpdApp& program = Start();
    ASSERT_TRUE(started);
    EXPECT_EQ(program.GetPrompts().History(), std::vector<std::string>{messages::kDesignatorTooLong});
    guitest::Pump(1500);
    EXPECT_FALSE(program.Frame()->View().Recording()->IsRecording());
    EXPECT_FALSE(std::filesystem::exists(dir.File("RUN005.dat")));
}

// A name the recorder refuses (here a link) records nothing anywhere, not the default file instead.
TEST_F(MainWindowTest, RecordIntoARefusedNameRecordsNothing) {
    std::filesystem::create_symlink(dir.File("elsewhere.dat"), dir.File("LN001.dat"));
    ASSERT_TRUE(CommandLine({"--simulate", "--auto-answer", "yes", "--record", "LN001.dat"}));
    CPfpdApp& program = Start();
    ASSERT_TRUE(started);
    EXPECT_TRUE(guitest::PumpUntil([&] { return !program.GetPrompts().History().empty(); }));
    EXPECT_EQ(program.GetPrompts().History(), std::vector<std::string>{messages::kDataFileIsLink});
    EXPECT_FALSE(program.Frame()->View().Recording()->IsRecording());
    EXPECT_FALSE(std::filesystem::exists(dir.File("elsewhere.dat")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("file001.dat")));
}

// View > Live Chromatogram by its shortcut: the panel draws the emulator's GC run as the pulses
// come and starts again with the next run; the profile remembers it open.
TEST_F(MainWindowTest, LiveChromatogramDrawsTheRunAndStartsAgainWithTheNext) {
    WriteDefaults("DEFAULT.CFG");
    ASSERT_TRUE(CommandLine(
        {"--simulate", "--simulate-rate", "10", "--simulate-runs", "2.5", "--auto-answer", "no"}));
    CPfpdApp& program = Start();
    ASSERT_TRUE(started);
    CMainFrame& frame = *program.Frame();
    LiveChromatogramPanel* panel = frame.Chromatogram();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isHidden());
    QApplication::setActiveWindow(&frame);
    QTest::keyClick(&frame, Qt::Key_L, Qt::ControlModifier);
    ASSERT_FALSE(panel->isHidden());
    EXPECT_TRUE(frame.Action(Command::ViewLiveChromatogram)->isChecked());
    EXPECT_EQ(SettingsProfile(options.profileFile).GetInt("Window", "Live Chromatogram", 0), 1);

    // A run under way: points drawn, at run times that grow.
    ASSERT_TRUE(guitest::PumpUntil(
        [&] { return panel->Chromatogram().RunsBegun() >= 1 && panel->DrawnPoints(0) >= 12; }));
    const PlotTrace& trace = *panel->Plot()->Model().Trace(1);
    EXPECT_EQ(trace.count, panel->DrawnPoints(1));
    EXPECT_GT(trace.XAt(trace.count - 1), trace.XAt(0));
    const int run = panel->Chromatogram().RunsBegun();
    const int drawn = panel->DrawnPoints(0);

    // The next run starts the chromatogram again, from run time 0.
    ASSERT_TRUE(guitest::PumpUntil([&] { return panel->Chromatogram().RunsBegun() > run; }));
    EXPECT_TRUE(guitest::PumpUntil([&] { return panel->DrawnPoints(0) < drawn; }));
    EXPECT_LT(trace.XAt(0), 0.01f);

    // Channel 1's gate mode changed in the configuration (as a receive changes it): followed.
    const ChannelSettings& channel = program.Config().GetChannel(0);
    GateMode& mode = program.Config().GetGateMode(
        program.Config().FindGateMode(channel.gateModeName, channel.gateModeSuffix));
    mode.stopA += 1.0f;
    EXPECT_TRUE(guitest::PumpUntil([&] { return panel->Chromatogram().Settings(0).gate == mode; }));

    QTest::keyClick(&frame, Qt::Key_L, Qt::ControlModifier);
    EXPECT_TRUE(panel->isHidden());
    EXPECT_EQ(SettingsProfile(options.profileFile).GetInt("Window", "Live Chromatogram", 1), 0);
}

// Use Corvanet gives Corvanet the file being recorded.
TEST_F(MainWindowTest, UseCorvanetOpensTheFileBeingRecorded) {
    const std::string folder = dir.File("viewer");
    std::filesystem::create_directory(folder);
    {
        std::ofstream script(folder + "/Corvanet");
        script << "#!/bin/sh\nprintf '%s' \"$1\" > \"" << folder << "/argument.txt\"\n";
    }
    std::filesystem::permissions(folder + "/Corvanet", std::filesystem::perms::owner_all);
    SettingsProfile(options.profileFile).SetString("Corvanet", "Path", folder);
    ASSERT_TRUE(CommandLine({"--simulate", "--auto-answer", "no", "--record", "RUN.dat"}));
    CPfpdApp& program = Start();
    ASSERT_TRUE(started);
    PumpUntilRecorded(program, 1);
    program.Frame()->UpdateCommandUi();
    program.Frame()->Action(Command::UseCorvanet)->trigger();
    guitest::PumpUntil([&] { return !FileBytes(folder + "/argument.txt").empty(); });
    const std::string argument = FileBytes(folder + "/argument.txt");
    ASSERT_FALSE(argument.empty());
    EXPECT_TRUE(std::filesystem::path(argument).is_absolute());
    EXPECT_EQ(argument, program.Document().Recorder().Path());
    EXPECT_EQ(std::filesystem::path(argument).parent_path(), dir.Path());
}
