#include "app/CPfpdDoc.h"

#include "app/AppMessages.h"
#include "app/FrameRules.h"
#include "config/Messages.h"
#include "live/LiveState.h"
#include "platform/Clock.h"
#include "platform/DiskSpace.h"
#include "platform/Prompts.h"
#include "platform/RegularFile.h"

#include <filesystem>

namespace veltrane {

namespace {

std::string WithArgument(const char* pattern, const std::string& value) {
    std::string text = pattern;
    if (const auto at = text.find("%1"); at != std::string::npos) {
        text.replace(at, 2, value);
    }
    return text;
}

// Runs a file command with polling held off; the cycle waits ten ticks afterwards.
class FileCommandGuard {
public:
    explicit FileCommandGuard(LiveState& state) : state_(state), suspend_(state) {}
    ~FileCommandGuard() { state_.resumeDelay = 10; }
    FileCommandGuard(const FileCommandGuard&) = delete;
    FileCommandGuard& operator=(const FileCommandGuard&) = delete;

private:
    LiveState& state_;
    ScopedPollingSuspend suspend_;
};

} // namespace

CPfpdDoc::CPfpdDoc(ConfigurationModel& config, LiveState& state, Prompts& prompts)
    : config_(config), state_(state), prompts_(prompts),
      recorder_(config, state, prompts, SystemClock::Instance(), SystemDiskSpace::Instance()) {
    config_.AttachDocument(this);
}

CPfpdDoc::~CPfpdDoc() {
    config_.AttachDocument(nullptr);
}

std::string CPfpdDoc::Title() const {
    return path_.empty() ? messages::kUntitled : std::filesystem::path(path_).filename().string();
}

void CPfpdDoc::SetPathName(const std::string& path) {
    std::error_code error;
    const auto absolute = std::filesystem::absolute(path, error);
    path_ = error ? path : absolute.lexically_normal().string();
    Changed();
}

void CPfpdDoc::SetModifiedFlag(bool modified) {
    if (modified_ != modified) {
        modified_ = modified;
        Changed();
    }
}

void CPfpdDoc::Changed() {
    if (hooks_.changed) {
        hooks_.changed();
    }
}

bool CPfpdDoc::OnOpenDocument(const std::string& path) {
    bool loaded = false;
    // Not a regular file: a FIFO would block the open.
    if (!IsRegularFile(path)) {
        prompts_.ShowMessage(WithArgument(messages::kCannotOpenFile, path), MessageIcon::Warning);
    } else {
        if (hooks_.closing) {
            hooks_.closing();
        }
        loaded = config_.LoadConfiguration(path);
        modified_ = false;
        if (loaded) {
            SetPathName(path);
        }
        if (loaded && state_.online) {
            state_.pendingRequest.Post(kRequestTransmitAll);
            if (prompts_.AskWarning(messages::kSaveToEepromQuestion)) {
                // Queued behind the transmit: the EEPROM must get the new parameters.
                state_.pendingRequest.PostAfterCurrent(kRequestSaveToEeprom);
                config_.WriteRunLog(messages::kLogSavedToEeprom);
            }
        }
    }
    if (!loaded) {
        prompts_.ShowMessage(messages::kInvalidConfigurationFile, MessageIcon::Warning);
    }
    Changed();
    return loaded;
}

bool CPfpdDoc::OnSaveDocument(const std::string& path) {
    if (!config_.SaveConfiguration(path)) {
        prompts_.ShowMessage(messages::kUnableToSaveConfiguration, MessageIcon::Warning);
        return false;
    }
    modified_ = false;
    Changed();
    return true;
}

bool CPfpdDoc::DoSave(const std::string& path) {
    if (!OnSaveDocument(path)) {
        return false;
    }
    SetPathName(path);
    return true;
}

bool CPfpdDoc::FileSave() {
    FileCommandGuard guard(state_);
    // The defaults are never written over by Save (its menu item is disabled for them), so
    // "Save changes?" answered Yes asks for a new name instead, as for an untitled document.
    const bool defaults = IsDefaultsFile(path_);
    if (path_.empty() || defaults) {
        std::optional<std::string> chosen;
        if (hooks_.chooseSavePath) {
            chosen = hooks_.chooseSavePath(defaults ? messages::kUntitled : Title());
        }
        return chosen && DoSave(*chosen);
    }
    return DoSave(path_);
}

bool CPfpdDoc::FileSaveAs() {
    FileCommandGuard guard(state_);
    std::optional<std::string> chosen;
    if (hooks_.chooseSavePath) {
        chosen = hooks_.chooseSavePath(path_.empty() ? Title() : path_);
    }
    return chosen && DoSave(*chosen);
}

bool CPfpdDoc::SaveModified() {
    if (!modified_) {
        return true;
    }
    SaveAnswer answer = SaveAnswer::Cancel;
    {
        FileCommandGuard guard(state_);
        if (hooks_.askSaveChanges) {
            answer = hooks_.askSaveChanges(WithArgument(messages::kSaveChanges, Title()));
        }
    }
    switch (answer) {
    case SaveAnswer::Yes:
        return FileSave();
    case SaveAnswer::No:
        return true;
    default:
        return false;
    }
}

} // namespace veltrane
