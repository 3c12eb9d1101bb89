#include "app/CMainFrame.h"

#include "app/AppDialogs.h"
#include "app/AppMessages.h"
#include "app/CPfpdApp.h"
#include "app/LiveChromatogramPanel.h"
#include "config/ConfigurationBlock.h"
#include "config/Messages.h"
#include "dialogs/DialogHost.h"
#include "dialogs/ParameterDialogs.h"
#include "dialogs/PreferencesDialog.h"
#include "dialogs/ReportPrinter.h"
#include "dialogs/RunLogDialog.h"
#include "live/CLiveView.h"
#include "live/LiveMessages.h"
#include "platform/Clock.h"
#include "platform/DiskSpace.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include <filesystem>

namespace veltrane {

namespace {

// The panel's visibility, kept in a section of our own.
const char* const kWindowSection = "Window";
const char* const kLiveChromatogramKey = "Live Chromatogram";
constexpr int kHeightWithPanel = 760;

QString Q(const char* text) {
    return QString::fromUtf8(text);
}

// A small toolbar picture: a letter or two on a tile.
QIcon LetterIcon(const QString& letters, const QColor& colour) {
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(colour);
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(1, 1, 18, 18), 3, 3);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(letters.size() > 1 ? 9 : 12);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, 20, 20), Qt::AlignCenter, letters);
    return QIcon(pixmap);
}

// The parameter dialogs reach the application's parts through this.
std::unique_ptr<DialogHost> MakeDialogHost(CPfpdApp& app) {
    auto host = std::make_unique<DialogHost>(app.Config(), app.GetPrompts(), app.Live(), app.Link(),
                                             SystemSleeper::Instance());
    host->help = [&app](const char* anchor) { app.OpenHelp(anchor); };
    return host;
}

} // namespace

CMainFrame::CMainFrame(CPfpdApp& app) : app_(app) {
    setObjectName(QStringLiteral("mainFrame"));
    printing_ = std::make_unique<ReportPrinting>(app_.GetPrompts(), [this] {
        return ReportContext{app_.Config(), app_.Live(), app_.Document().Title(),
                             SystemClock::Instance().LocalNow()};
    });
    view_ = new CLiveView(app_.Live(), app_.GetPrompts(), this);
    setCentralWidget(view_);
    BuildMenus();
    BuildToolBar();
    BuildStatusBar();
    BuildChromatogramPanel();
    LocateViewer();

    CLiveView::Hooks hooks;
    hooks.writeRunLog = [this](const std::string& text) { app_.Config().WriteRunLog(text); };
    hooks.refreshStatusPanes = [this] { UpdateStatusPanes(); };
    hooks.refreshBoardDialog = [this] { RefreshBoardChannelDialog(boardDialog_); };
    hooks.linkMessage = [this](const std::string& text) { ShowNotice(text); };
    hooks.openHelp = [this](const char* anchor) { app_.OpenHelp(anchor); };
    if (app_.Options().autoAnswer) {
        // Unattended: the warning's text goes where every other message goes, and nothing waits.
        hooks.pmtWarning = [this] {
            app_.GetPrompts().ShowMessage(std::string(messages::kPmtWarningText1) + "\n\n" +
                                              messages::kPmtWarningText2,
                                          MessageIcon::Warning);
        };
    }
    hooks.pulseShown = [this](const PulseRecord& record) {
        app_.Timeline().PulseShown(record.sequence, record.timeCounter);
    };
    if (chromatogram_ != nullptr) {
        hooks.pulseReceived = [this](const PulseRecord& record) { chromatogram_->AddPulse(record); };
    }
    hooks.triggerLevel = [this] { return static_cast<int>(app_.Config().GetTriggerLevel()); };
    hooks.plotStatusText = [this](const QString& text) {
        if (text.isEmpty()) {
            statusBar()->clearMessage();
        } else {
            statusBar()->showMessage(text);
        }
    };
    hooks.plotPainted = [this] { app_.Timeline().Painted(); };
    view_->SetHooks(std::move(hooks));

    // The framework refreshes enable states and panes at idle time; a slow timer does here.
    idleTimer_.setInterval(250);
    connect(&idleTimer_, &QTimer::timeout, this, [this] {
        UpdateCommandUi();
        UpdateStatusPanes();
    });
    idleTimer_.start();
    resize(640, chromatogram_ != nullptr && !chromatogram_->isHidden() ? kHeightWithPanel : 480);
    move(0, 0);
    UpdateTitle();
    UpdateCommandUi();
    UpdateStatusPanes();
}

CMainFrame::~CMainFrame() {
    // The board dialog's farewell refreshes this window's commands: it must leave while the window is whole.
    delete boardDialog_;
}

QAction* CMainFrame::AddCommand(QMenu* menu, Command command, int id, const QString& text,
                                const QKeySequence& shortcut, const QString& prompt, const QString& tip) {
    auto* action = menu->addAction(text);
    action->setShortcut(shortcut);
    action->setStatusTip(prompt);
    action->setToolTip(tip.isEmpty() ? QString(text).remove(QLatin1Char('&')).remove(QStringLiteral("..."))
                                     : tip);
    action->setData(id);
    commands_[command] = action;
    byId_[id] = action;
    return action;
}

void CMainFrame::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    fileMenu_ = file;
    connect(AddCommand(file, Command::FileOpen, 57601, QStringLiteral("&Open..."),
                       QKeySequence(Qt::CTRL | Qt::Key_O), QStringLiteral("Open an existing document"),
                       QStringLiteral("Open")),
            &QAction::triggered, this, [this] { app_.OnFileOpen(); });
    connect(AddCommand(file, Command::FileSave, 57603, QStringLiteral("&Save"),
                       QKeySequence(Qt::CTRL | Qt::Key_S), QStringLiteral("Save the active document"),
                       QStringLiteral("Save")),
            &QAction::triggered, this, [this] { app_.Document().FileSave(); });
    connect(AddCommand(file, Command::FileSaveAs, 57604, QStringLiteral("Save &As..."), {},
                       QStringLiteral("Save the active document with a new name"), QStringLiteral("Save As")),
            &QAction::triggered, this, [this] { app_.Document().FileSaveAs(); });
    file->addSeparator();
    connect(AddCommand(file, Command::FilePrint, 57607, QStringLiteral("&Print..."),
                       QKeySequence(Qt::CTRL | Qt::Key_P), QStringLiteral("Print the active document"),
                       QStringLiteral("Print")),
            &QAction::triggered, this, [this] { printing_->Print(this); });
    connect(AddCommand(file, Command::FilePrintPreview, 57609, QStringLiteral("Print Pre&view"), {},
                       QStringLiteral("Display full pages"), QStringLiteral("Print Preview")),
            &QAction::triggered, this, [this] { printing_->Preview(this); });
    connect(AddCommand(file, Command::FilePrintSetup, 57606, QStringLiteral("P&rint Setup..."), {},
                       QStringLiteral("Change the printer and printing options"),
                       QStringLiteral("Print Setup")),
            &QAction::triggered, this, [this] { printing_->Setup(this); });
    recentSeparator_ = file->addSeparator();
    exitAction_ = file->addAction(QStringLiteral("E&xit"));
    exitAction_->setStatusTip(QStringLiteral("Quit the application; prompts to save documents"));
    exitAction_->setObjectName(QStringLiteral("fileExit"));
    exitAction_->setData(57665);
    byId_[57665] = exitAction_;
    connect(exitAction_, &QAction::triggered, this, &QWidget::close);
    RebuildRecentFiles();

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    QMenu* zoom = view->addMenu(QStringLiteral("&Zoom"));
    connect(AddCommand(zoom, Command::ViewZoom, 32789, QStringLiteral("&100 %"), {},
                       QStringLiteral("Zoom to 100 %"), {}),
            &QAction::triggered, this, [this] { view_->Zoom100(); });
    connect(AddCommand(zoom, Command::ViewZoom, 32790, QStringLiteral("&200 %"), {},
                       QStringLiteral("Zoom to 200 %"), {}),
            &QAction::triggered, this, [this] { view_->Zoom200(); });
    connect(AddCommand(zoom, Command::ViewZoom, 32792, QStringLiteral("&Previous"), {},
                       QStringLiteral("Return to the previous zoom"), {}),
            &QAction::triggered, this, [this] { view_->ZoomPrevious(); });
    QAction* toolbar =
        AddCommand(view, Command::ViewToolbar, 59392, QStringLiteral("&Toolbar"), {},
                   QStringLiteral("Show or hide the toolbar"), QStringLiteral("Toggle ToolBar"));
    toolbar->setCheckable(true);
    toolbar->setChecked(true);
    connect(toolbar, &QAction::triggered, this, [this](bool shown) {
        toolBar_->setVisible(shown);
        update();
    });
    QAction* status =
        AddCommand(view, Command::ViewStatusBar, 59393, QStringLiteral("&Status Bar"), {},
                   QStringLiteral("Show or hide the status bar"), QStringLiteral("Toggle StatusBar"));
    status->setCheckable(true);
    status->setChecked(true);
    connect(status, &QAction::triggered, this, [this](bool shown) {
        statusBar()->setVisible(shown);
        update();
    });
    view->addSeparator();
    QAction* chromatogram =
        AddCommand(view, Command::ViewLiveChromatogram, 32800, QStringLiteral("Live &Chromatogram"),
                   QKeySequence(Qt::CTRL | Qt::Key_L),
                   QStringLiteral("Show or hide the chromatogram of the current GC run"),
                   QStringLiteral("Live Chromatogram"));
    chromatogram->setCheckable(true);

    QMenu* parameters = menuBar()->addMenu(QStringLiteral("&Parameters"));
    connect(AddCommand(parameters, Command::GatesModes, 32772, QStringLiteral("&Gates/Modes"), {},
                       QStringLiteral("Define the gate mode parameters"), QStringLiteral("Gate Modes")),
            &QAction::triggered, this,
            [this] { RunDialog([this] { RunGateModesDialog(*MakeDialogHost(app_), this); }); });
    connect(AddCommand(parameters, Command::BoardChannel, 32771, QStringLiteral("&Board/Channel"), {},
                       QStringLiteral("Define the board and channel parameters"),
                       QStringLiteral("Board/Channel")),
            &QAction::triggered, this, &CMainFrame::OnBoardChannel);
    connect(AddCommand(parameters, Command::SetToDefaults, 32796, QStringLiteral("&Set To Defaults"), {},
                       QStringLiteral("Set the configuration parameters to their defaults"), {}),
            &QAction::triggered, this, &CMainFrame::OnSetToDefaults);

    QMenu* events = menuBar()->addMenu(QStringLiteral("&Events"));
    connect(AddCommand(events, Command::TimedEvents, 32773, QStringLiteral("&Set Timed Events"), {},
                       QStringLiteral("Define the timed events"), QStringLiteral("Timed Events")),
            &QAction::triggered, this,
            [this] { RunDialog([this] { RunTimedEventsDialog(*MakeDialogHost(app_), this); }); });

    QMenu* commands = menuBar()->addMenu(QStringLiteral("&Commands"));
    connect(AddCommand(commands, Command::ResetToReady, 32774, QStringLiteral("&Reset PFPD To Ready"), {},
                       QStringLiteral("Reset the PFPD to ready mode"), QStringLiteral("Reset")),
            &QAction::triggered, this, &CMainFrame::OnResetToReady);
    connect(AddCommand(commands, Command::TransmitAll, 32775, QStringLiteral("&Transmit ALL PFPD Settings"),
                       {}, QStringLiteral("Transmit all the PFPD settings to the device"),
                       QStringLiteral("Transmit")),
            &QAction::triggered, this, &CMainFrame::OnTransmitAll);
    connect(AddCommand(commands, Command::ReceiveAll, 32776, QStringLiteral("Receive &ALL PFPD Settings"), {},
                       QStringLiteral("Receive all the PFPD settings from the device"),
                       QStringLiteral("Receive")),
            &QAction::triggered, this, &CMainFrame::OnReceiveAll);
    connect(AddCommand(
                commands, Command::SaveToEeprom, 32795, QStringLiteral("&Save PFPD Parameters To EEPROM"), {},
                QStringLiteral("Save the PFPD parameters to EEPROM"), QStringLiteral("Save To EEPROM")),
            &QAction::triggered, this, &CMainFrame::OnSaveToEeprom);

    QMenu* utilities = menuBar()->addMenu(QStringLiteral("&Utilities"));
    connect(AddCommand(utilities, Command::Preferences, 32778, QStringLiteral("&Set Preferences"), {},
                       QStringLiteral("Set preferences"), QStringLiteral("Preferences")),
            &QAction::triggered, this, &CMainFrame::OnPreferences);
    connect(AddCommand(utilities, Command::ViewRunLog, 32779, QStringLiteral("&View Run Log"), {},
                       QStringLiteral("View the Run Log"), QStringLiteral("Run Log")),
            &QAction::triggered, this,
            [this] { RunDialog([this] { RunRunLogDialog(*MakeDialogHost(app_), this); }); });
    connect(AddCommand(
                utilities, Command::CommunicationsPort, 32781, QStringLiteral("Set &Communications Port"), {},
                QStringLiteral("Configure the serial communications"), QStringLiteral("Communications")),
            &QAction::triggered, this, &CMainFrame::OnCommunicationsPort);
    connect(AddCommand(utilities, Command::UseCorvanet, 32797, QStringLiteral("&Use Corvanet"), {},
                       QStringLiteral("Start the Corvanet application"), QStringLiteral("Corvanet")),
            &QAction::triggered, this, &CMainFrame::OnUseCorvanet);

    QMenu* advanced = menuBar()->addMenu(QStringLiteral("&Advanced"));
    AddCommand(advanced, Command::Advanced, 32782, QStringLiteral("&Calibrate Flow Rates"), {},
               QStringLiteral("Calibrate the flow rates"), {});
    AddCommand(advanced, Command::Advanced, 32783, QStringLiteral("&Optimize"), {},
               QStringLiteral("Optimize"), {});
    AddCommand(advanced, Command::Advanced, 32784, QStringLiteral("&Program PFPD"), {},
               QStringLiteral("Program the PFPD"), {});

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    connect(AddCommand(help, Command::Help, 57666, QStringLiteral("&Index"), {},
                       QStringLiteral("List Help topics"), QStringLiteral("Help Index")),
            &QAction::triggered, this, [this] { app_.OpenHelp("index"); });
    connect(AddCommand(help, Command::Help, 57668, QStringLiteral("&Using Help"), {},
                       QStringLiteral("Display instructions about how to use help"), QStringLiteral("Help")),
            &QAction::triggered, this, [this] { app_.OpenHelp("using-help"); });
    help->addSeparator();
    connect(AddCommand(help, Command::About, 57664, QStringLiteral("&About Veltrane..."), {},
                       QStringLiteral("Display program information, version number and copyright"),
                       QStringLiteral("About")),
            &QAction::triggered, this, &CMainFrame::OnAbout);
}

void CMainFrame::BuildToolBar() {
    toolBar_ = new QToolBar(QStringLiteral("Toolbar"), this);
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
    toolBar_->setFloatable(true);
    toolBar_->setMovable(true);
    toolBar_->setIconSize(QSize(20, 20));
    addToolBar(Qt::TopToolBarArea, toolBar_);
    // Also hidden from its own context menu: the View menu's check mark follows it.
    connect(toolBar_, &QToolBar::visibilityChanged, byId_.at(59392), &QAction::setChecked);
    const auto add = [this](int id, const QIcon& icon) {
        QAction* action = byId_.at(id);
        action->setIcon(icon);
        toolBar_->addAction(action);
    };
    add(57601, style()->standardIcon(QStyle::SP_DialogOpenButton));
    add(57603, style()->standardIcon(QStyle::SP_DialogSaveButton));
    toolBar_->addSeparator();
    add(32771, LetterIcon(QStringLiteral("B"), QColor(40, 90, 160)));
    add(32772, LetterIcon(QStringLiteral("G"), QColor(40, 90, 160)));
    add(32773, LetterIcon(QStringLiteral("T"), QColor(40, 90, 160)));
    toolBar_->addSeparator();
    add(32774, LetterIcon(QStringLiteral("R"), QColor(150, 60, 40)));
    add(32775, LetterIcon(QStringLiteral("Tx"), QColor(150, 60, 40)));
    add(32776, LetterIcon(QStringLiteral("Rx"), QColor(150, 60, 40)));
    add(32795, LetterIcon(QStringLiteral("E"), QColor(150, 60, 40)));
    toolBar_->addSeparator();
    add(57607, LetterIcon(QStringLiteral("P"), QColor(90, 90, 90)));
    add(57664, LetterIcon(QStringLiteral("?"), QColor(90, 90, 90)));
}

void CMainFrame::BuildChromatogramPanel() {
    QAction* action = byId_.at(32800);
    chromatogram_ = new LiveChromatogramPanel([this] { return app_.Config().Snapshot(); }, this);
    addDockWidget(Qt::BottomDockWidgetArea, chromatogram_);
    const bool shown = app_.GetProfile().GetInt(kWindowSection, kLiveChromatogramKey, 0) != 0;
    chromatogram_->setVisible(shown);
    action->setChecked(shown);
    connect(action, &QAction::triggered, this, [this](bool show) {
        chromatogram_->setVisible(show);
        // The form keeps its size: the window grows to make room below it.
        if (show && !isMaximized() && !isFullScreen() && height() < kHeightWithPanel) {
            resize(width(), kHeightWithPanel);
        }
    });
    // Closed by its own button too: the check mark and the profile follow whichever way it went.
    connect(chromatogram_, &QDockWidget::visibilityChanged, this, [this, action] {
        const bool open = !chromatogram_->isHidden();
        action->setChecked(open);
        if (app_.GetProfile().GetInt(kWindowSection, kLiveChromatogramKey, 0) != (open ? 1 : 0)) {
            app_.GetProfile().SetInt(kWindowSection, kLiveChromatogramKey, open ? 1 : 0);
        }
    });
}

void CMainFrame::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    const std::pair<int, int> panes[] = {
        {kPaneState, 80}, {kPaneRunTime, 90}, {kPaneFileSize, 70}, {kPaneFree, 120}};
    for (const auto& [id, width] : panes) {
        auto* label = new QLabel(bar);
        label->setObjectName(QStringLiteral("pane%1").arg(id));
        label->setMinimumWidth(width);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
        bar->addPermanentWidget(label);
        panes_[id] = label;
    }
}

QAction* CMainFrame::Action(Command command) const {
    const auto found = commands_.find(command);
    return found == commands_.end() ? nullptr : found->second;
}

FrameState CMainFrame::CurrentState() const {
    FrameState state;
    state.online = app_.Live().online;
    state.boardDialogOpen = app_.Live().boardDialogOpen;
    state.viewerAvailable = viewerAvailable_;
    state.documentPath = app_.Document().PathName();
    return state;
}

void CMainFrame::UpdateCommandUi() {
    const FrameState state = CurrentState();
    for (const auto& [id, action] : byId_) {
        if (id == 57665) {
            continue;
        }
        const auto command = std::find_if(commands_.begin(), commands_.end(),
                                          [&](const auto& entry) { return entry.second == action; });
        Command which = command != commands_.end() ? command->first : Command::Help;
        // The zoom and advanced items share one command each; their id decides.
        if (id == 32789 || id == 32790 || id == 32792) {
            which = Command::ViewZoom;
        } else if (id == 32782 || id == 32783 || id == 32784) {
            which = Command::Advanced;
        }
        action->setEnabled(CommandEnabled(which, state));
    }
    for (QAction* recent : recentActions_) {
        recent->setEnabled(!state.boardDialogOpen);
    }
}

void CMainFrame::UpdateStatusPanes() {
    if (statusBar() == nullptr) {
        return;
    }
    const LiveState& live = app_.Live();
    const auto set = [this](int id, const std::string& text) {
        QLabel* pane = panes_.at(id);
        const QString value = QString::fromStdString(text);
        if (pane->text() != value) {
            pane->setText(value);
        }
        pane->setEnabled(true);
    };
    set(kPaneState, StatePaneText(live.status.controllerState));
    set(kPaneRunTime, RunTimePaneText(live.runTime));
    set(kPaneFileSize, FileSizePaneText(live.currentFileSizeMB));
    const auto free = SystemDiskSpace::Instance().FreeBytes(live.dataDriveRoot);
    set(kPaneFree, FreeSpacePaneText(free.value_or(0)));
}

void CMainFrame::UpdateTitle() {
    const CPfpdDoc& doc = app_.Document();
    setWindowTitle(QString::fromStdString(doc.Title()) + QStringLiteral(" - ") + Q(messages::kAppName));
}

void CMainFrame::RebuildRecentFiles() {
    for (QAction* action : recentActions_) {
        fileMenu_->removeAction(action);
        action->deleteLater();
    }
    recentActions_.clear();
    const std::vector<std::string> files = app_.GetProfile().RecentFiles();
    int number = 1;
    for (const std::string& file : files) {
        auto* action =
            new QAction(QStringLiteral("&%1 %2").arg(number).arg(QString::fromStdString(file)), this);
        action->setStatusTip(QStringLiteral("Open this document"));
        connect(action, &QAction::triggered, this, [this, file] { app_.OpenDocumentFile(file); });
        fileMenu_->insertAction(exitAction_, action);
        recentActions_.push_back(action);
        ++number;
    }
    if (!recentActions_.empty()) {
        fileMenu_->insertSeparator(exitAction_);
    }
}

void CMainFrame::ShowNotice(const std::string& text) {
    statusBar()->showMessage(QString::fromStdString(text), 10000);
    app_.GetPrompts().ShowNotice(text);
}

// --- commands ---------------------------------------------------------------------------

void CMainFrame::RunDialog(const std::function<void()>& body) {
    app_.Live().resumeDelay = 10;
    body();
    app_.Live().resumeDelay = 10;
}

void CMainFrame::OnResetToReady() {
    app_.Live().pendingRequest.Post(kRequestReset);
    view_->RestartRecording();
    app_.Config().WriteRunLog(messages::kLogResetToReady);
}

void CMainFrame::OnTransmitAll() {
    app_.Live().pendingRequest.Post(kRequestTransmitAll);
}

void CMainFrame::OnReceiveAll() {
    app_.Live().pendingRequest.Post(kRequestReceiveAll);
}

void CMainFrame::OnSaveToEeprom() {
    app_.Live().pendingRequest.Post(kRequestSaveToEeprom);
    app_.Config().WriteRunLog(messages::kLogSavedToEeprom);
}

void CMainFrame::OnSetToDefaults() {
    LiveState& live = app_.Live();
    live.skipNextReceive = true;
    // Unsaved changes are offered for saving before the defaults replace them, so that a
    // "Yes" cannot write the defaults into the operator's file.
    if (!app_.Document().SaveModified()) {
        return;
    }
    const std::string defaults = app_.DefaultsPath();
    if (!app_.Config().LoadConfiguration(defaults)) {
        return;
    }
    app_.OpenDocumentFile(defaults);
    live.pendingRequest.Post(kRequestTransmitAll);
    live.resumeDelay = 10;
    app_.GetPrompts().ShowMessage(messages::kDefaultsSet, MessageIcon::Information);
    live.resumeDelay = 10;
}

void CMainFrame::OnBoardChannel() {
    LiveState& live = app_.Live();
    if (boardDialog_ != nullptr || live.boardDialogOpen) {
        return;
    }
    live.resumeDelay = 10;
    QWidget* dialog = OpenBoardChannelDialog(MakeDialogHost(app_), this);
    connect(dialog, &QObject::destroyed, this, [this] {
        app_.Live().boardDialogOpen = false;
        app_.Live().resumeDelay = 10;
        UpdateCommandUi();
    });
    boardDialog_ = dialog;
    live.boardDialogOpen = true;
    dialog->show();
    UpdateCommandUi();
}

void CMainFrame::OnCommunicationsPort() {
    RunDialog([&] {
        SettingsProfile& profile = app_.GetProfile();
        CommSettingsDialog dialog(this, profile.GetInt("Com", "Port", 2), app_.Live().baudRate,
                                  app_.Live().earlyPulseRequest,
                                  [this](const char* anchor) { app_.OpenHelp(anchor); });
        if (dialog.exec() == QDialog::Accepted) {
            app_.SetEarlyPulseRequest(dialog.EarlyPulse());
            if (dialog.Baud() != 0) {
                app_.SetBaudRate(dialog.Baud()); // for this run only
            }
            if (dialog.Port() != 0) {
                profile.SetInt("Com", "Port", dialog.Port()); // takes effect at the next start
            }
        }
    });
}

// A folder in the profile is used as it stands (a wrong one gives the start's own messages); an
// empty one lets the program look for Corvanet, without writing what it found.
void CMainFrame::LocateViewer() {
    viewerPath_ = app_.GetProfile().GetString("Corvanet", "Path", "");
    if (viewerPath_.empty()) {
        viewerPath_ = FindCorvanetFolder(app_.programFolder, app_.searchPath);
    }
    viewerAvailable_ = !viewerPath_.empty();
}

void CMainFrame::OnPreferences() {
    RunDialog([this] {
        PreferencesDialog dialog(
            app_.Live(), app_.GetProfile(), [this] { app_.OpenHelp("preferences"); }, this);
        dialog.SetCorvanetFolderChoice(app_.GetPrompts(),
                                       FindCorvanetFolder(app_.programFolder, app_.searchPath));
        if (dialog.exec() == QDialog::Accepted) {
            LocateViewer();
            UpdateCommandUi();
        }
    });
}

void CMainFrame::OnUseCorvanet() {
    StartCorvanet(CorvanetCommand(viewerPath_),
                  CorvanetArgument(app_.Document().Recorder().Path(), view_->Settings().directory,
                                   std::filesystem::current_path().string()));
}

void CMainFrame::StartCorvanet(const std::string& command, const std::string& argument) {
    const QString program = QString::fromStdString(command);
    const QString name = QString::fromStdString(CorvanetProgramName());
    const QFileInfo info(program);
    const char* failure = nullptr;
    if (!info.dir().exists()) {
        failure = messages::kCorvanetPathNotFound;
    } else if (!info.exists()) {
        failure = messages::kCorvanetFileNotFound;
    } else if (!info.isFile() || !info.isExecutable()) {
        failure = messages::kCorvanetCorrupt;
    } else if (!QProcess::startDetached(program, {QString::fromStdString(argument)}, info.absolutePath())) {
        failure = messages::kCorvanetError;
    }
    if (failure != nullptr) {
        // The framework's own box: polling goes on meanwhile.
        QMessageBox::information(this, Q(messages::kAppName), Q(failure).arg(name));
    }
}

void CMainFrame::OnAbout() {
    ScopedPollingSuspend suspend(app_.Live());
    AboutDialog dialog(this, app_.Live().controllerId, app_.Live().controllerVersion);
    dialog.exec();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    const bool valid = view_->ReadFields();
    app_.Live().resumeDelay = 10;
    if (!valid || !app_.Document().SaveModified()) {
        event->ignore();
        return;
    }
    app_.EndSession();
    idleTimer_.stop();
    event->accept();
}

} // namespace veltrane
