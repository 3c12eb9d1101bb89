#pragma once

#include "app/CPfpdDoc.h"
#include "app/CommandLine.h"
#include "app/ConnectionProcedure.h"
#include "app/DeviceControllerPort.h"
#include "app/QtPrompts.h"
#include "app/SettingsProfile.h"
#include "config/ConfigurationModel.h"
#include "config/RunLog.h"
#include "device/DeviceLink.h"
#include "live/LiveState.h"
#include "live/PulseTimeline.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace veltrane {

class CMainFrame;
class SimulatorSession;

// The application object: owns the controller link, the live state, the configuration,
// the document and the main window for the whole run.
class CPfpdApp {
public:
    explicit CPfpdApp(CommandLineOptions options, const std::string& executablePath = "veltrane");
    ~CPfpdApp();
    CPfpdApp(const CPfpdApp&) = delete;
    CPfpdApp& operator=(const CPfpdApp&) = delete;

    // Builds the window and runs the start-up choice. False when the operator chose Exit
    // (the window is never shown).
    bool InitInstance();

    // The application's File Open: revert question for the document's own file.
    void OnFileOpen();
    // Opens a file as the document (asking first about unsaved changes).
    bool OpenDocumentFile(const std::string& path);
    // The case-insensitive DEFAULT.CFG of the working directory; when none, the installed one, else
    // the upper-case name in the working directory.
    std::string DefaultsPath() const;
    void OpenHelp(const char* anchor);
    std::string ManualPath() const;

    LiveState& Live() { return live_; }
    QtPrompts& GetPrompts() { return prompts_; }
    SettingsProfile& GetProfile() { return *profile_; }
    ConfigurationModel& Config() { return config_; }
    CPfpdDoc& Document() { return doc_; }
    DeviceLink& Link() { return link_; }
    DeviceControllerPort& Port() { return port_; }
    CMainFrame* Frame() { return frame_.get(); }
    PulseTimeline& Timeline() { return timeline_; }
    const CommandLineOptions& Options() const { return options_; }
    // The run is to end (--quit-after): start-up questions still waiting are answered Exit.
    void RequestQuit() { quitRequested_ = true; }
    // An unattended start-up gave up on a controller that never answered.
    bool ConnectionGaveUp() const { return connectionGaveUp_; }
    // The line rate for the rest of the run (not stored): the live state holds it, and the
    // link and the built-in emulator follow it at once, an open line included.
    void SetBaudRate(int baud);
    // Request the next pulse early (full-duplex lines): kept in the profile, and the port
    // follows it at once.
    void SetEarlyPulseRequest(bool on);
    static constexpr const char* kEarlyPulseSection = "Com";
    static constexpr const char* kEarlyPulseKey = "Request Pulse Early";

    // Test and automation seams: file dialogs and help opening (false when no browser started).
    std::function<std::optional<std::string>()> chooseOpenPath;
    std::function<bool(const std::string& url)> openUrl;
    // Where Corvanet is looked for when the profile names no folder: the running program's folder
    // and the PATH variable's text.
    std::string programFolder;
    std::string searchPath;

    // The program is ending (window closed, File Exit, --quit-after): the timer stops and a
    // running recording is completed as a stop completes it.
    void EndSession();

    // The line the --stats option prints.
    std::string StatsLine() const;

private:
    void ApplyDialogColours();
    bool StartSimulator();
    void ConfigureLink();
    void RunStartupChoice();
    ConnectionResult AskConnectionOptions();
    bool QuitDue() const;
    void EnterOffline();
    void EnterOnline();
    void ArmRecording();
    void OnSettingsExchanged(int request, bool ok);
    void ReadPreferences();

    CommandLineOptions options_;
    std::int64_t launchMs_;
    LiveState live_;
    QtPrompts prompts_;
    std::unique_ptr<SettingsProfile> profile_;
    RunLog runLog_;
    ConfigurationModel config_;
    DeviceLink link_;
    DeviceControllerPort port_;
    CPfpdDoc doc_;
    LineTimes lineTimes_; // filled by the built-in emulator, before it starts
    PulseTimeline timeline_;
    std::unique_ptr<SimulatorSession> simulator_;
    std::filesystem::path simulatorDir_;
    std::unique_ptr<CMainFrame> frame_;
    bool continueFlag_ = true;
    bool quitRequested_ = false;
    bool connectionGaveUp_ = false;
    std::string armedRecordPath_; // --record, until the controller's settings are in
    int recordingReceiveRetries_ = 0;
};

} // namespace veltrane
