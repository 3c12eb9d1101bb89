#include "app/AppDialogs.h"

#include "app/AppMessages.h"
#include "platform/Version.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace veltrane {

namespace {
QString Q(const char* text) {
    return QString::fromUtf8(text);
}

void AddHelp(QDialogButtonBox* buttons, const char* anchor, const HelpOpener& help) {
    QPushButton* button = buttons->addButton(QDialogButtonBox::Help);
    QObject::connect(button, &QPushButton::clicked, button, [anchor, help] {
        if (help) {
            help(anchor);
        }
    });
}
} // namespace

ChoiceDialog::ChoiceDialog(QWidget* parent, const QString& caption, const QString& text,
                           const QStringList& choices, int exitChoice, const char* helpAnchor,
                           HelpOpener help)
    : QDialog(parent), choice_(exitChoice), exitChoice_(exitChoice) {
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(text, this));
    auto* buttons = new QDialogButtonBox(this);
    for (int i = 0; i < choices.size(); ++i) {
        QPushButton* button = buttons->addButton(choices[i], QDialogButtonBox::ActionRole);
        button->setObjectName(choices[i]);
        button->setDefault(i == 0);
        connect(button, &QPushButton::clicked, this, [this, i] {
            choice_ = i;
            done(i + 1);
        });
    }
    AddHelp(buttons, helpAnchor, help);
    layout->addWidget(buttons);
}

int ChoiceDialog::exec() {
    choice_ = exitChoice_;
    QDialog::exec();
    return choice_;
}

void ChoiceDialog::reject() {
    choice_ = exitChoice_; // Escape and the close box mean Exit
    QDialog::reject();
}

ModeChoice AskSessionMode(QWidget* parent, HelpOpener help) {
    ChoiceDialog dialog(parent, Q(messages::kModeCaption), Q(messages::kModeText),
                        {QStringLiteral("Online"), QStringLiteral("Offline"), QStringLiteral("Exit")},
                        kModeExit, "mode", std::move(help));
    dialog.setObjectName(QStringLiteral("modeDialog"));
    return static_cast<ModeChoice>(dialog.exec());
}

ConnectionChoice AskConnectionOption(QWidget* parent, HelpOpener help) {
    ChoiceDialog dialog(parent, Q(messages::kConnectionCaption), Q(messages::kConnectionText),
                        {QStringLiteral("Retry"), QStringLiteral("Offline"), QStringLiteral("Exit")},
                        kConnectionExit, "connection", std::move(help));
    dialog.setObjectName(QStringLiteral("connectionDialog"));
    return static_cast<ConnectionChoice>(dialog.exec());
}

const int CommSettingsDialog::kBauds[6] = {4800, 9600, 14400, 19200, 28800, 38400};

CommSettingsDialog::CommSettingsDialog(QWidget* parent, int port, int baud, bool earlyPulse, HelpOpener help)
    : QDialog(parent), ports_(new QButtonGroup(this)), bauds_(new QButtonGroup(this)),
      earlyPulse_(new QCheckBox(Q(messages::kCommEarlyPulse), this)) {
    setWindowTitle(Q(messages::kCommCaption));
    setObjectName(QStringLiteral("commDialog"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Q(messages::kCommText), this));
    auto* row = new QHBoxLayout;
    auto* portBox = new QGroupBox(QStringLiteral("Port"), this);
    auto* portLayout = new QVBoxLayout(portBox);
    for (int i = 0; i < 2; ++i) {
        auto* radio = new QRadioButton(QStringLiteral("COM%1").arg(i + 1), portBox);
        ports_->addButton(radio, i + 1);
        portLayout->addWidget(radio);
    }
    auto* baudBox = new QGroupBox(QStringLiteral("Baud Rate"), this);
    auto* baudLayout = new QVBoxLayout(baudBox);
    for (int value : kBauds) {
        auto* radio = new QRadioButton(QString::number(value), baudBox);
        bauds_->addButton(radio, value);
        baudLayout->addWidget(radio);
    }
    row->addWidget(portBox);
    row->addWidget(baudBox);
    layout->addLayout(row);
    earlyPulse_->setObjectName(QStringLiteral("earlyPulseRequest"));
    earlyPulse_->setChecked(earlyPulse);
    layout->addWidget(earlyPulse_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    AddHelp(buttons, "communications", help);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    SelectPort(port);
    SelectBaud(baud);
}

void CommSettingsDialog::SelectPort(int port) {
    // A port outside 1..2 (say 3 from the profile) shows no radio selected.
    ports_->setExclusive(false);
    for (QAbstractButton* button : ports_->buttons()) {
        button->setChecked(ports_->id(button) == port);
    }
    ports_->setExclusive(true);
}

void CommSettingsDialog::SelectBaud(int baud) {
    bauds_->setExclusive(false);
    for (QAbstractButton* button : bauds_->buttons()) {
        button->setChecked(bauds_->id(button) == baud);
    }
    bauds_->setExclusive(true);
}

int CommSettingsDialog::Port() const {
    return ports_->checkedId() > 0 ? ports_->checkedId() : 0;
}

int CommSettingsDialog::Baud() const {
    return bauds_->checkedId() > 0 ? bauds_->checkedId() : 0;
}

bool CommSettingsDialog::EarlyPulse() const {
    return earlyPulse_->isChecked();
}

AboutDialog::AboutDialog(QWidget* parent, const std::string& controllerId,
                         const std::string& controllerVersion)
    : QDialog(parent) {
    setWindowTitle(Q(messages::kAboutCaption));
    setObjectName(QStringLiteral("aboutDialog"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Q(messages::kAboutVersion), this));
    auto* programVersion = new QLabel(Q(messages::kAboutProgramVersion).arg(Q(kProgramVersion)), this);
    programVersion->setObjectName(QStringLiteral("programVersion"));
    layout->addWidget(programVersion);
    auto* form = new QFormLayout;
    auto* id = new QLineEdit(QString::fromStdString(controllerId), this);
    id->setReadOnly(true);
    auto* version = new QLineEdit(QString::fromStdString(controllerVersion), this);
    version->setReadOnly(true);
    form->addRow(QStringLiteral("PFPD ID:"), id);
    form->addRow(QStringLiteral("PFPD Version:"), version);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

} // namespace veltrane
