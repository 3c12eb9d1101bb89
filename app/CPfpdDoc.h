#pragma once

#include "config/ConfigurationModel.h"
#include "live/PulseRecorder.h"

#include <functional>
#include <optional>
#include <string>

namespace veltrane {

struct LiveState;
class Prompts;

enum class SaveAnswer {
    Yes,
    No,
    Cancel
};

// The one document: a path, a title and a modified flag over the configuration model,
// which holds the configuration itself.
class CPfpdDoc : public ConfigDocument {
public:
    struct Hooks {
        // "Save changes to %1?" with Yes, No and Cancel.
        std::function<SaveAnswer(const std::string& question)> askSaveChanges;
        // The Save As file dialog; nothing when cancelled.
        std::function<std::optional<std::string>(const std::string& suggestion)> chooseSavePath;
        // The path or the modified flag changed (window title, recent files).
        std::function<void()> changed;
        // Before the document's contents go: the view lets go of its plot data.
        std::function<void()> closing;
    };

    CPfpdDoc(ConfigurationModel& config, LiveState& state, Prompts& prompts);
    ~CPfpdDoc() override;

    void SetHooks(Hooks hooks) { hooks_ = std::move(hooks); }

    // Reads the file into the model; online, posts the transmit and offers the EEPROM save.
    bool OnOpenDocument(const std::string& path);
    // Writes the model to path. A failed write says so, keeps the document modified and fails.
    bool OnSaveDocument(const std::string& path);

    // File Save / File Save As; false when cancelled or failed.
    bool FileSave();
    bool FileSaveAs();
    // Asks about unsaved changes; false when the operator cancelled (or the save failed).
    bool SaveModified();

    void SetModifiedFlag(bool modified) override;
    bool IsModified() const { return modified_; }
    const std::string& PathName() const { return path_; }
    std::string Title() const;
    void SetPathName(const std::string& path);
    // The data file of a running recording.
    PulseRecorder& Recorder() { return recorder_; }

private:
    bool DoSave(const std::string& path);
    void Changed();

    ConfigurationModel& config_;
    LiveState& state_;
    Prompts& prompts_;
    Hooks hooks_;
    std::string path_;
    bool modified_ = false;
    PulseRecorder recorder_;
};

} // namespace veltrane
