#pragma once

#include "platform/Prompts.h"

#include <QPointer>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QMessageBox;
class QWidget;

namespace veltrane {

struct LiveState;

// Message boxes with the program's captions; polling is held off while one is up.
class QtPrompts : public Prompts {
public:
    explicit QtPrompts(LiveState& state) : state_(state) {}

    void SetParentProvider(std::function<QWidget*()> parent) { parent_ = std::move(parent); }
    // No boxes: each text goes to standard error with a steady-clock time in milliseconds
    // ("veltrane: 1234.567 message: ..."), and each question gets this answer.
    void SetAutoAnswer(std::optional<bool> answer) { autoAnswer_ = answer; }

    void ShowMessage(const std::string& text, MessageIcon icon = MessageIcon::None) override;
    bool AskWarning(const std::string& text) override;
    // Not modal, so polling and reconnecting go on while it is up. One window at most: a later
    // notice replaces the text of the one still open and raises it.
    void ShowNotice(const std::string& text);

    enum class Choice {
        Yes,
        No,
        Cancel
    };
    // Yes/No/Cancel, caption "Veltrane". Answering automatically, "yes" gives Yes only where
    // yesUnattended says a Yes needs nobody to carry it out (no further dialog), else No.
    Choice AskYesNoCancel(const std::string& text, bool yesUnattended);

    // A question answered in advance (start-up choices of an unattended run): written where the
    // messages of such a run go, with its answer.
    void LogAnswer(const std::string& question, const std::string& answer);

    // Every text shown, oldest first (the --stats line and the GUI tests read it).
    const std::vector<std::string>& History() const { return history_; }

private:
    QWidget* Parent() const { return parent_ ? parent_() : nullptr; }

    LiveState& state_;
    std::function<QWidget*()> parent_;
    std::optional<bool> autoAnswer_;
    std::vector<std::string> history_;
    QPointer<QMessageBox> notice_;
};

} // namespace veltrane
