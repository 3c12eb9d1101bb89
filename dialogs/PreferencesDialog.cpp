#include "dialogs/PreferencesDialog.h"

#include "dialogs/DialogMessages.h"
#include "platform/CorvanetLocation.h"
#include "platform/Profile.h"
#include "platform/Prompts.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace veltrane {

PreferencesDialog::PreferencesDialog(LiveState& state, Profile& profile, std::function<void()> openHelp,
                                     QWidget* parent)
    : QDialog(parent), editor_(state, profile), profile_(profile) {
    setWindowTitle(QStringLiteral("Preferences"));
    setObjectName(QStringLiteral("preferencesDialog"));
    auto* grid = new QGridLayout;
    grid_ = grid;
    diskFree_ = new QLineEdit(this);
    diskFree_->setObjectName(QStringLiteral("diskFree"));
    dataSize_ = new QLineEdit(this);
    dataSize_->setObjectName(QStringLiteral("dataSize"));
    grid->addWidget(new QLabel(QStringLiteral("Minimum Limit for Hard Disk:"), this), 0, 0);
    grid->addWidget(diskFree_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("MB"), this), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Maximum Limit for Data File:"), this), 1, 0);
    grid->addWidget(dataSize_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("MB"), this), 1, 2);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    QPushButton* help = buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &PreferencesDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PreferencesDialog::reject);
    connect(help, &QPushButton::clicked, this, [openHelp] {
        if (openHelp) {
            openHelp();
        }
    });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    Show(editor_.Init());
}

void PreferencesDialog::Show(const PreferencesEditor::Fields& fields) {
    diskFree_->setText(QString::fromStdString(fields.diskFree));
    dataSize_->setText(QString::fromStdString(fields.dataSize));
}

void PreferencesDialog::SetCorvanetFolderChoice(Prompts& prompts, const std::string& found) {
    prompts_ = &prompts;
    storedFolder_ = profile_.GetString("Corvanet", "Path", "");
    corvanetFolder_ = new QLineEdit(QString::fromStdString(storedFolder_), this);
    corvanetFolder_->setObjectName(QStringLiteral("corvanetFolder"));
    corvanetFolder_->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 36);
    auto* browse = new QPushButton(QStringLiteral("&Browse..."), this);
    browse->setObjectName(QStringLiteral("corvanetBrowse"));
    const QString foundText = QDir::toNativeSeparators(QString::fromStdString(found));
    auto* note = new QLabel(found.empty() ? QString::fromUtf8(messages::kCorvanetFolderNotFound)
                                          : QString::fromUtf8(messages::kCorvanetFolderFound).arg(foundText),
                            this);
    note->setObjectName(QStringLiteral("corvanetFolderNote"));
    note->setWordWrap(true);
    corvanetFolder_->setPlaceholderText(foundText);
    grid_->addWidget(new QLabel(QString::fromUtf8(messages::kCorvanetFolderLabel), this), 2, 0);
    grid_->addWidget(corvanetFolder_, 2, 1);
    grid_->addWidget(browse, 2, 2);
    grid_->addWidget(note, 3, 1, 1, 2);
    connect(browse, &QPushButton::clicked, this, [this, foundText] {
        const QString start = corvanetFolder_->text().isEmpty() ? foundText : corvanetFolder_->text();
        const QString chosen =
            QFileDialog::getExistingDirectory(this, QString::fromUtf8(messages::kCorvanetFolderLabel), start);
        if (!chosen.isEmpty()) {
            corvanetFolder_->setText(QDir::toNativeSeparators(chosen));
        }
    });
}

// An unchanged field leaves the profile as it was; a changed one must name a folder that holds
// Corvanet, or be empty (the program then looks for Corvanet itself).
bool PreferencesDialog::TakeCorvanetFolder() {
    if (corvanetFolder_ == nullptr) {
        return true;
    }
    const std::string typed = corvanetFolder_->text().trimmed().toStdString();
    if (typed == storedFolder_) {
        return true;
    }
    if (!typed.empty() && !HoldsCorvanet(typed)) {
        prompts_->ShowMessage(
            QString::fromUtf8(messages::kNoCorvanetInFolder).arg(QString::fromStdString(typed)).toStdString(),
            MessageIcon::Warning);
        corvanetFolder_->setFocus();
        corvanetFolder_->selectAll();
        return false;
    }
    profile_.SetString("Corvanet", "Path", typed);
    return true;
}

void PreferencesDialog::accept() {
    if (!TakeCorvanetFolder()) {
        return;
    }
    editor_.Ok({diskFree_->text().toStdString(), dataSize_->text().toStdString()});
    QDialog::accept();
}

} // namespace veltrane
