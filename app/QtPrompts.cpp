#include "app/QtPrompts.h"

#include "app/AppMessages.h"
#include "live/LiveState.h"

#include <QMessageBox>

namespace veltrane {

namespace {
QMessageBox::Icon ToQt(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    default:
        return QMessageBox::NoIcon;
    }
}
} // namespace

void QtPrompts::ShowMessage(const std::string& text, MessageIcon icon) {
    history_.push_back(text);
    ScopedPollingSuspend suspend(state_);
    QMessageBox box(ToQt(icon), QString::fromUtf8(messages::kAppName), QString::fromStdString(text),
                    QMessageBox::Ok, Parent());
    box.exec();
}

bool QtPrompts::AskWarning(const std::string& text) {
    history_.push_back(text);
    ScopedPollingSuspend suspend(state_);
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(messages::kWarningCaption),
                    QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No, Parent());
    return box.exec() == QMessageBox::Yes;
}

} // namespace veltrane
