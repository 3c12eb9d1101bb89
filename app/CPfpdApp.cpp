#include "app/CPfpdApp.h"

#include "app/AppDialogs.h"
#include "app/AppMessages.h"
#include "app/CMainFrame.h"
#include "app/ConnectionProcedure.h"
#include "app/FrameRules.h"
#include "live/CLiveView.h"
#include "live/DataFileNaming.h"
#include "live/LiveMessages.h"
#include "live/RecordingSession.h"
#include "platform/Clock.h"
#include "platform/NumberText.h"
#include "platform/Process.h"
#include "sim/SimulatorSession.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QPalette>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace veltrane {

namespace {

constexpr int kRecordingReceiveRetries = 3;

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

float ParseDecimal(const std::string& text, float fallback) {
    float value = fallback;
    ParseFloat(text, value);
    return value;
}

constexpr int kUnattendedRetryPauseMs = 1000;

} // namespace

CPfpdApp::CPfpdApp(CommandLineOptions options, const std::string& executablePath)
    : options_(std::move(options)), launchMs_(SystemClock::Instance().NowMs()), prompts_(live_),
      profile_(std::make_unique<SettingsProfile>(options_.profileFile)),
      runLog_(RunLog::FileNameForExecutable(executablePath), SystemClock::Instance(), prompts_),
      config_(prompts_, runLog_), link_(prompts_, profile_.get()),
      port_(link_, config_, SystemClock::Instance()), doc_(config_, live_, prompts_) {
    prompts_.SetParentProvider([this]() -> QWidget* { return frame_.get(); });
    prompts_.SetAutoAnswer(options_.autoAnswer);
    // The command line's choice holds for this run only; the profile keeps the operator's.
    live_.earlyPulseRequest =
        options_.earlyPulseRequest || profile_->GetInt(kEarlyPulseSection, kEarlyPulseKey, 0) != 0;
    port_.SetEarlyPulseRequest(live_.earlyPulseRequest);
    if (!options_.pulseLogFile.empty() && !timeline_.OpenLog(options_.pulseLogFile)) {
        std::fprintf(stderr, "veltrane: cannot write the pulse log %s\n", options_.pulseLogFile.c_str());
    }
    chooseOpenPath = [this]() -> std::optional<std::string> {
        ScopedPollingSuspend suspend(live_);
        const QString path = QFileDialog::getOpenFileName(frame_.get(), QStringLiteral("Open"), QString(),
                                                          QString::fromUtf8(messages::kFileFilter));
        if (path.isEmpty()) {
            return std::nullopt;
        }
        return path.toStdString();
    };
    openUrl = [](const std::string& url) {
        return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
    };
    programFolder = QCoreApplication::applicationDirPath().toStdString();
    searchPath = qEnvironmentVariable("PATH").toStdString();
}

CPfpdApp::~CPfpdApp() {
    EndSession();
    frame_.reset();
    simulator_.reset();
    if (!simulatorDir_.empty()) {
        std::error_code error;
        std::filesystem::remove_all(simulatorDir_, error);
    }
}

void CPfpdApp::ApplyDialogColours() {
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Window, QColor(192, 192, 192));
    palette.setColor(QPalette::Button, QColor(192, 192, 192));
    // Text colours for the enabled states only: disabled controls must still look disabled.
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::WindowText, Qt::black);
        palette.setColor(group, QPalette::ButtonText, Qt::black);
    }
    QApplication::setPalette(palette);
}

bool CPfpdApp::InitInstance() {
    ApplyDialogColours();
    live_.dataDriveRoot = std::filesystem::current_path().string();

    frame_ = std::make_unique<CMainFrame>(*this);
    frame_->View().AttachRecorder(doc_.Recorder());
    CPfpdDoc::Hooks hooks;
    hooks.changed = [this] {
        if (frame_) {
            frame_->UpdateTitle();
        }
    };
    hooks.askSaveChanges = [this](const std::string& question) {
        // Save writes to the document's own file; the defaults and an untitled document would need
        // the Save As dialog, which nobody answers in an unattended run, so there Yes becomes No.
        const bool ownFile = !doc_.PathName().empty() && !IsDefaultsFile(doc_.PathName());
        switch (prompts_.AskYesNoCancel(question, ownFile)) {
        case QtPrompts::Choice::Yes:
            return SaveAnswer::Yes;
        case QtPrompts::Choice::No:
            return SaveAnswer::No;
        default:
            return SaveAnswer::Cancel;
        }
    };
    hooks.chooseSavePath = [this](const std::string& suggestion) -> std::optional<std::string> {
        const QString path = QFileDialog::getSaveFileName(frame_.get(), QStringLiteral("Save As"),
                                                          QString::fromStdString(suggestion),
                                                          QString::fromUtf8(messages::kFileFilter));
        if (path.isEmpty()) {
            return std::nullopt;
        }
        QString withSuffix = path;
        if (QFileInfo(path).suffix().isEmpty()) {
            withSuffix += QStringLiteral(".cfg");
        }
        const std::string chosen = withSuffix.toStdString();
        profile_->AddRecentFile(chosen);
        frame_->RebuildRecentFiles();
        return chosen;
    };
    doc_.SetHooks(std::move(hooks));

    ConfigureLink();
    RunStartupChoice();
    link_.SetTimeouts(ConnectionProcedure::kReadTimeoutMs);
    if (!continueFlag_) {
        frame_->hide();
        return false;
    }
    ReadPreferences();
    if (!options_.documentFile.empty()) {
        OpenDocumentFile(options_.documentFile);
    }
    frame_->UpdateCommandUi();
    frame_->UpdateStatusPanes();
    return true;
}

void CPfpdApp::EndSession() {
    if (!frame_) {
        return;
    }
    frame_->View().StopCycle();
    if (RecordingSession* recording = frame_->View().Recording()) {
        recording->FinishRecording();
    }
}

void CPfpdApp::SetEarlyPulseRequest(bool on) {
    live_.earlyPulseRequest = on;
    port_.SetEarlyPulseRequest(on);
    if (profile_->GetInt(kEarlyPulseSection, kEarlyPulseKey, 0) != (on ? 1 : 0)) {
        profile_->SetInt(kEarlyPulseSection, kEarlyPulseKey, on ? 1 : 0);
    }
}

void CPfpdApp::SetBaudRate(int baud) {
    live_.baudRate = baud;
    link_.SetBaudRate(baud);
    if (simulator_) {
        simulator_->Emulator().SetLineRate(baud);
    }
}

bool CPfpdApp::StartSimulator() {
    EmulatorOptions emulatorOptions;
    if (options_.simulateRateHz > 0) {
        emulatorOptions.rateHz = options_.simulateRateHz;
    }
    emulatorOptions.baud = live_.baudRate;
    if (options_.simulateRunSeconds > 0) {
        emulatorOptions.gc.runEverySeconds = options_.simulateRunSeconds;
        emulatorOptions.gc.runLengthSeconds = options_.simulateRunSeconds;
    }
    emulatorOptions.faults.hangupStart = options_.simulateHangupStart;
    emulatorOptions.faults.hangupLength = options_.simulateHangupLength;
    // When each pulse reply's last byte left the emulator: the start of its latency.
    emulatorOptions.observer = [this](const LineEvent& event) {
        if (event.kind == LineEvent::Kind::PulseSent && event.sequence >= 0) {
            lineTimes_.Note(
                static_cast<std::uint8_t>(event.sequence),
                std::chrono::duration_cast<std::chrono::microseconds>(event.at.time_since_epoch()).count());
        }
    };
    timeline_.SetLineTimes(&lineTimes_);
    // A fixed name for the device, so that after a hang-up the same name opens the new line.
    std::error_code dirError;
    simulatorDir_ = std::filesystem::temp_directory_path(dirError) /
                    ("veltrane-sim-" + std::to_string(CurrentProcessId()));
    std::filesystem::create_directories(simulatorDir_, dirError);
    std::string error;
    simulator_ = SimulatorSession::Start(emulatorOptions, error, (simulatorDir_ / "pfpd").string(),
                                         options_.simulateOnPipe ? SimulatedLine::Pipe
                                                                 : SimulatedLine::PseudoTerminal);
    if (!simulator_) {
        std::fprintf(stderr, "veltrane: the controller emulator did not start: %s\n", error.c_str());
        return false;
    }
    simulator_->Connect(link_);
    return true;
}

void CPfpdApp::ConfigureLink() {
    if (options_.simulate) {
        StartSimulator();
    } else if (!options_.devicePath.empty()) {
        link_.SetDeviceOverride(options_.devicePath);
    }
    if (!options_.traceFile.empty() && !link_.EnableTrace(options_.traceFile)) {
        std::fprintf(stderr, "veltrane: cannot write the serial trace to %s\n", options_.traceFile.c_str());
    }
}

void CPfpdApp::RunStartupChoice() {
    const HelpOpener help = [this](const char* anchor) { OpenHelp(anchor); };
    SessionChoice choice = options_.session;
    if (choice == SessionChoice::Ask && options_.autoAnswer) {
        choice = *options_.autoAnswer ? SessionChoice::Online : SessionChoice::Offline;
        prompts_.LogAnswer(messages::kModeText, choice == SessionChoice::Online ? "Online" : "Offline");
    }
    if (choice == SessionChoice::Ask) {
        switch (AskSessionMode(nullptr, help)) {
        case kModeOnline:
            choice = SessionChoice::Online;
            break;
        case kModeOffline:
            choice = SessionChoice::Offline;
            break;
        default:
            continueFlag_ = false;
            return;
        }
    }
    if (choice == SessionChoice::Offline) {
        EnterOffline();
        return;
    }

    const int port = options_.port.value_or(profile_->GetInt("Com", "Port", 2));
    ConnectionProcedure procedure(port_, prompts_, SystemSleeper::Instance(),
                                  [this] { return AskConnectionOptions(); });
    switch (procedure.Run(port, live_.baudRate, live_.controllerVersion)) {
    case ConnectionResult::Connected:
        EnterOnline();
        break;
    case ConnectionResult::Offline:
        EnterOffline();
        break;
    default:
        continueFlag_ = false;
        break;
    }
}

// The Connection Options dialog, or the answer an unattended run gave in advance.
ConnectionResult CPfpdApp::AskConnectionOptions() {
    ConnectFailure answer = options_.onConnectFailure;
    if (answer == ConnectFailure::Ask && options_.autoAnswer) {
        // No: a run that was to be online does not go on offline, where it would record nothing.
        answer = *options_.autoAnswer ? ConnectFailure::Retry : ConnectFailure::Exit;
    }
    switch (answer) {
    case ConnectFailure::Ask:
        break;
    case ConnectFailure::Offline:
        prompts_.LogAnswer(messages::kConnectionText, "Offline");
        return ConnectionResult::Offline;
    case ConnectFailure::Exit:
        prompts_.LogAnswer(messages::kConnectionText, "Exit");
        connectionGaveUp_ = true;
        return ConnectionResult::Exit;
    case ConnectFailure::Retry:
        prompts_.LogAnswer(messages::kConnectionText, "Retry");
        // A pause between rounds (a missing device fails at once); the end of the run is
        // noticed within a tenth of a second.
        for (int waited = 0; waited < kUnattendedRetryPauseMs && !QuitDue(); waited += 100) {
            SystemSleeper::Instance().SleepMs(100);
        }
        connectionGaveUp_ = QuitDue();
        return connectionGaveUp_ ? ConnectionResult::Exit : ConnectionResult::Retry;
    }
    if (QuitDue()) {
        return ConnectionResult::Exit; // the run ended while the busy message was up
    }
    const HelpOpener help = [this](const char* anchor) { OpenHelp(anchor); };
    switch (AskConnectionOption(nullptr, help)) {
    case kConnectionRetry:
        return QuitDue() ? ConnectionResult::Exit : ConnectionResult::Retry;
    case kConnectionOffline:
        return ConnectionResult::Offline;
    default:
        return ConnectionResult::Exit;
    }
}

bool CPfpdApp::QuitDue() const {
    return quitRequested_ || (options_.quitAfterSeconds > 0 &&
                              static_cast<double>(SystemClock::Instance().NowMs() - launchMs_) >=
                                  options_.quitAfterSeconds * 1000.0);
}

void CPfpdApp::EnterOffline() {
    live_.online = false;
    doc_.OnOpenDocument(DefaultsPath());
    frame_->View().DisableControls();
    frame_->show();
}

void CPfpdApp::EnterOnline() {
    live_.online = true;
    live_.pendingRequest.Post(kRequestReceiveAll);
    frame_->show();
    frame_->View().StartCycle(port_, SystemClock::Instance(), SystemSleeper::Instance());
    ArmRecording();
}

// A data file carries the configuration it was made with, so the recording waits until the
// model holds the controller's settings: the first whole receive (or transmit) that succeeds.
void CPfpdApp::ArmRecording() {
    if (options_.recordFile.empty() || frame_->View().Recording() == nullptr) {
        return;
    }
    const std::string path = std::filesystem::absolute(options_.recordFile).string();
    // The file dialog's rule: a longer designator is refused, not cut.
    if (datafilenaming::DesignatorTooLong(std::filesystem::path(path).filename().string())) {
        prompts_.ShowMessage(messages::kDesignatorTooLong);
        return;
    }
    armedRecordPath_ = path;
    port_.settingsExchanged = [this](int request, bool ok) { OnSettingsExchanged(request, ok); };
}

void CPfpdApp::OnSettingsExchanged(int request, bool ok) {
    if (armedRecordPath_.empty()) {
        return;
    }
    if (!ok) {
        // A failed receive says nothing; ask again a few times, then wait for the operator's.
        if (request == kRequestReceiveAll && recordingReceiveRetries_ < kRecordingReceiveRetries &&
            live_.pendingRequest.Empty()) {
            ++recordingReceiveRetries_;
            live_.pendingRequest.Post(kRequestReceiveAll);
        }
        return;
    }
    const std::string path = std::move(armedRecordPath_);
    armedRecordPath_.clear();
    RecordingSession* recording = frame_->View().Recording();
    // A refused name records nowhere: the default file in its place is not what was asked for.
    if (recording->TakeChosenFile(path)) {
        recording->StartRecording();
    }
}

void CPfpdApp::ReadPreferences() {
    live_.maxDataFileMB = ParseDecimal(profile_->GetString("Preferences", "Data Size", "1.4"), 1.4f);
    live_.minDiskFreeMB = ParseDecimal(profile_->GetString("Preferences", "Disk Free", "2.0"), 2.0f);
}

std::string CPfpdApp::DefaultsPath() const {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::current_path(), error)) {
        const std::string name = entry.path().filename().string();
        if (Upper(name) == messages::kDefaultFileName) {
            return entry.path().string();
        }
    }
    // An installed program brings its own defaults for a folder that has none yet.
    const QString installed = QCoreApplication::applicationDirPath() + QStringLiteral("/../share/veltrane/") +
                              QString::fromUtf8(messages::kDefaultFileName);
    if (QFileInfo::exists(installed)) {
        return QFileInfo(installed).absoluteFilePath().toStdString();
    }
    return (std::filesystem::current_path() / messages::kDefaultFileName).string();
}

bool CPfpdApp::OpenDocumentFile(const std::string& path) {
    if (!doc_.SaveModified()) {
        return false;
    }
    const bool opened = doc_.OnOpenDocument(path);
    if (opened) {
        profile_->AddRecentFile(doc_.PathName());
    } else if (!std::filesystem::exists(path)) {
        profile_->RemoveRecentFile(path);
    }
    if (frame_) {
        frame_->RebuildRecentFiles();
        frame_->UpdateTitle();
    }
    return opened;
}

void CPfpdApp::OnFileOpen() {
    const bool saved = live_.pollingSuspended;
    live_.pollingSuspended = true;
    if (!live_.boardDialogOpen) {
        const std::optional<std::string> chosen = chooseOpenPath ? chooseOpenPath() : std::nullopt;
        if (chosen) {
            std::error_code error;
            const bool same = !doc_.PathName().empty() &&
                              std::filesystem::equivalent(*chosen, doc_.PathName(), error) && !error;
            if (same && doc_.IsModified()) {
                const std::string question = QString::fromUtf8(messages::kRevertQuestion)
                                                 .arg(QString::fromStdString(doc_.PathName()))
                                                 .toStdString();
                if (prompts_.AskWarning(question)) {
                    doc_.SetModifiedFlag(false);
                    OpenDocumentFile(*chosen);
                }
            } else {
                OpenDocumentFile(*chosen);
            }
        }
    }
    live_.pollingSuspended = saved;
}

std::string CPfpdApp::ManualPath() const {
    std::vector<QString> candidates;
    if (const char* env = std::getenv("VELTRANE_MANUAL"); env != nullptr) {
        candidates.push_back(QString::fromUtf8(env));
    }
    const QString appDir = QCoreApplication::applicationDirPath();
    candidates.push_back(appDir + QStringLiteral("/manual/index.html"));
    candidates.push_back(appDir + QStringLiteral("/../share/veltrane/manual/index.html"));
#ifdef VELTRANE_SOURCE_DIR
    candidates.push_back(QStringLiteral(VELTRANE_SOURCE_DIR "/docs/manual/index.html"));
#endif
    for (const QString& candidate : candidates) {
        if (QFileInfo::exists(candidate)) {
            return QFileInfo(candidate).absoluteFilePath().toStdString();
        }
    }
    return {};
}

void CPfpdApp::OpenHelp(const char* anchor) {
    const std::string path = ManualPath();
    if (path.empty()) {
        prompts_.ShowMessage(messages::kNoManual, MessageIcon::Information);
        return;
    }
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(path));
    if (anchor != nullptr && std::string(anchor) != "index") {
        url.setFragment(QString::fromUtf8(anchor));
    }
    if (openUrl && !openUrl(url.toString().toStdString())) {
        prompts_.ShowMessage(QString::fromUtf8(messages::kNoBrowser)
                                 .arg(QDir::toNativeSeparators(QString::fromStdString(path)))
                                 .toStdString(),
                             MessageIcon::Information);
    }
}

std::string CPfpdApp::StatsLine() const {
    char line[512];
    const AcquisitionCycle* cycle = frame_ ? frame_->View().Cycle() : nullptr;
    if (cycle == nullptr) {
        std::snprintf(line, sizeof line, "veltrane stats: offline, no pulses");
        return line;
    }
    const CycleStats& stats = cycle->Stats();
    const double firstPulse =
        stats.firstPulseMs >= 0 ? static_cast<double>(stats.firstPulseMs - launchMs_) / 1000.0 : -1.0;
    FormatInto(
        line, sizeof line,
        "veltrane stats: pulses shown %llu, sequence gaps %llu, duplicates %llu, ticks %llu, longest tick "
        "%lld ms, longest request tick %lld ms, first pulse %.3f s after launch, state \"%s\", line lost "
        "%llu "
        "times, back %llu times, damaged replies %llu%s%s",
        static_cast<unsigned long long>(stats.pulses), static_cast<unsigned long long>(stats.sequenceGaps),
        static_cast<unsigned long long>(stats.duplicates), static_cast<unsigned long long>(stats.ticks),
        static_cast<long long>(stats.longestTickMs), static_cast<long long>(stats.longestRequestTickMs),
        firstPulse, StatePaneText(live_.status.controllerState).c_str(),
        static_cast<unsigned long long>(stats.linkLosses), static_cast<unsigned long long>(stats.reconnects),
        static_cast<unsigned long long>(stats.damagedReplies), timeline_.Latency().Count() > 0 ? ", " : "",
        timeline_.Summary().c_str());
    std::string text = line;
    if (simulator_) {
        const EmulatorStats fired = simulator_->Emulator().Stats();
        std::snprintf(line, sizeof line, ", emulator fired %llu pulses and sent %llu",
                      static_cast<unsigned long long>(fired.pulsesFired),
                      static_cast<unsigned long long>(fired.pulsesSent));
        text += line;
    }
    return text;
}

} // namespace veltrane
