#pragma once

#include "app/FrameRules.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <map>
#include <memory>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QToolBar;

namespace veltrane {

class CLiveView;
class LiveChromatogramPanel;
class ReportPrinting;
class CPfpdApp;

// The main window: menus, dockable toolbar, status bar with four live panes, and the
// handlers of the commands that belong to no view or dialog.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // Status pane identifiers.
    static constexpr int kPaneState = 59143;
    static constexpr int kPaneRunTime = 59144;
    static constexpr int kPaneFileSize = 59145;
    static constexpr int kPaneFree = 59142;

    explicit CMainFrame(CPfpdApp& app);
    ~CMainFrame() override;

    CLiveView& View() { return *view_; }
    // Null in a build without the plot.
    LiveChromatogramPanel* Chromatogram() const { return chromatogram_; }
    QAction* Action(Command command) const;
    QToolBar* ToolBar() const { return toolBar_; }
    // The folder Corvanet is started from: the profile's, else the one found (empty when none).
    const std::string& ViewerPath() const { return viewerPath_; }

    // Re-applies every enable rule (the framework does this at idle time).
    void UpdateCommandUi();
    void UpdateStatusPanes();
    void UpdateTitle();
    void RebuildRecentFiles();
    // Shows a note in the message pane and in the one notice window (the lost-line notice).
    void ShowNotice(const std::string& text);

    // Command handlers.
    void OnResetToReady();
    void OnTransmitAll();
    void OnReceiveAll();
    void OnSaveToEeprom();
    void OnSetToDefaults();
    void OnBoardChannel();
    void OnCommunicationsPort();
    void OnUseCorvanet();
    void OnAbout();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* AddCommand(QMenu* menu, Command command, int id, const QString& text,
                        const QKeySequence& shortcut, const QString& prompt, const QString& tip);
    void BuildMenus();
    void BuildToolBar();
    void BuildStatusBar();
    FrameState CurrentState() const;
    void RunDialog(const std::function<void()>& body);
    void StartCorvanet(const std::string& command, const std::string& argument);
    void LocateViewer();
    void OnPreferences();
    void BuildChromatogramPanel();

    CPfpdApp& app_;
    CLiveView* view_ = nullptr;
    LiveChromatogramPanel* chromatogram_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    QAction* exitAction_ = nullptr;
    std::vector<QAction*> recentActions_;
    std::map<Command, QAction*> commands_;
    std::map<int, QAction*> byId_;
    std::map<int, QLabel*> panes_;
    QPointer<QWidget> boardDialog_;
    std::unique_ptr<ReportPrinting> printing_; // File Print, Print Preview and Print Setup share its printer
    bool viewerAvailable_ = false;
    std::string viewerPath_;
    QTimer idleTimer_;
};

} // namespace veltrane
