#include "app/QtPrompts.h"

#include "app/AppMessages.h"
#include "live/LiveState.h"
#include "live/PulseTimeline.h"
#include "platform/NumberText.h"

#include <QMessageBox>

#include <cstdio>

namespace veltrane {

namespace {
constexpr std::size_t kLongMessage = 200;

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
// Stamped on the clock of the pulse log, so a message can be placed among the pulses.
void Print(const char* kind, const std::string& text, const char* answer = "") {
    const double ms = static_cast<double>(PulseTimeline::SteadyMicroseconds()) / 1000.0;
    std::fputs(Format("veltrane: %.3f %s: %s%s\n", ms, kind, text.c_str(), answer).c_str(), stderr);
    std::fflush(stderr);
}
} // namespace

void QtPrompts::ShowMessage(const std::string& text, MessageIcon icon) {
    history_.push_back(text);
    if (autoAnswer_) {
        Print("message", text);
        return;
    }
    ScopedPollingSuspend suspend(state_);
    QMessageBox box(ToQt(icon), QString::fromUtf8(messages::kAppName), QString::fromStdString(text),
                    QMessageBox::Ok, Parent());
    if (text.size() > kLongMessage) {
        // Wide enough that device paths and options are not broken at a '/' or '-'.
        box.setStyleSheet(QStringLiteral("QLabel#qt_msgbox_label { min-width: 36em; }"));
    }
    box.exec();
}

bool QtPrompts::AskWarning(const std::string& text) {
    history_.push_back(text);
    if (autoAnswer_) {
        Print("question", text, *autoAnswer_ ? " -> yes" : " -> no");
        return *autoAnswer_;
    }
    ScopedPollingSuspend suspend(state_);
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(messages::kWarningCaption),
                    QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No, Parent());
    return box.exec() == QMessageBox::Yes;
}

QtPrompts::Choice QtPrompts::AskYesNoCancel(const std::string& text, bool yesUnattended) {
    history_.push_back(text);
    if (autoAnswer_) {
        const bool yes = *autoAnswer_ && yesUnattended;
        Print("question", text, yes ? " -> yes" : " -> no");
        return yes ? Choice::Yes : Choice::No;
    }
    ScopedPollingSuspend suspend(state_);
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(messages::kAppName),
                    QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                    Parent());
    const int answer = box.exec();
    return answer == QMessageBox::Yes ? Choice::Yes
                                      : (answer == QMessageBox::No ? Choice::No : Choice::Cancel);
}

void QtPrompts::LogAnswer(const std::string& question, const std::string& answer) {
    history_.push_back(question);
    Print("question", question, (" -> " + answer).c_str());
}

void QtPrompts::ShowNotice(const std::string& text) {
    history_.push_back(text);
    if (autoAnswer_) {
        Print("message", text);
        return;
    }
    if (notice_ == nullptr) {
        notice_ = new QMessageBox(QMessageBox::Warning, QString::fromUtf8(messages::kAppName), QString(),
                                  QMessageBox::Ok, Parent());
        notice_->setAttribute(Qt::WA_DeleteOnClose);
        notice_->setModal(false);
    }
    notice_->setText(QString::fromStdString(text));
    if (notice_->isVisible()) {
        notice_->raise(); // behind the main window by now, perhaps
    } else {
        notice_->show();
    }
}

} // namespace veltrane
