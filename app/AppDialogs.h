#pragma once

#include <QDialog>

#include <functional>
#include <string>

class QButtonGroup;
class QCheckBox;

namespace veltrane {

using HelpOpener = std::function<void(const char* anchor)>;

// A start-up question with three choices and Help. Escape and closing the box count as
// the last choice (Exit).
class ChoiceDialog : public QDialog {
    Q_OBJECT
public:
    // Results of exec(): the index of the button pressed.
    ChoiceDialog(QWidget* parent, const QString& caption, const QString& text, const QStringList& choices,
                 int exitChoice, const char* helpAnchor, HelpOpener help);
    int Choice() const { return choice_; }
    int exec() override;

protected:
    void reject() override;

private:
    int choice_;
    int exitChoice_;
};

enum ModeChoice {
    kModeOnline = 0,
    kModeOffline = 1,
    kModeExit = 2
};
enum ConnectionChoice {
    kConnectionRetry = 0,
    kConnectionOffline = 1,
    kConnectionExit = 2
};

ModeChoice AskSessionMode(QWidget* parent, HelpOpener help);
ConnectionChoice AskConnectionOption(QWidget* parent, HelpOpener help);

// Port radios COM1/COM2 and six baud radios.
class CommSettingsDialog : public QDialog {
    Q_OBJECT
public:
    static const int kBauds[6];
    CommSettingsDialog(QWidget* parent, int port, int baud, bool earlyPulse, HelpOpener help);
    int Port() const; // 0 when no port radio is selected
    int Baud() const;
    bool EarlyPulse() const;
    void SelectPort(int port);
    void SelectBaud(int baud);

private:
    QButtonGroup* ports_;
    QButtonGroup* bauds_;
    QCheckBox* earlyPulse_;
};

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    AboutDialog(QWidget* parent, const std::string& controllerId, const std::string& controllerVersion);
};

} // namespace veltrane
