#pragma once

#include <string>

namespace veltrane {

// The one way the program talks to the operator. The desktop build shows message
// boxes; tests record the texts; command-line tools print them.
enum class MessageIcon {
    None,
    Information,
    Warning,
    Error
};

class Prompts {
public:
    virtual ~Prompts() = default;

    // A message with an OK button, caption "Veltrane".
    virtual void ShowMessage(const std::string& text, MessageIcon icon = MessageIcon::None) = 0;

    // A Yes/No question with a warning icon, caption "Veltrane Warning". True for Yes.
    virtual bool AskWarning(const std::string& text) = 0;
};

// Prints messages to standard error and answers every question with No.
class ConsolePrompts : public Prompts {
public:
    void ShowMessage(const std::string& text, MessageIcon icon = MessageIcon::None) override;
    bool AskWarning(const std::string& text) override;
};

} // namespace veltrane
