#include "dialogs/PreferencesDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace veltrane {

PreferencesDialog::PreferencesDialog(LiveState& state, Profile& profile, std::function<void()> openHelp,
                                     QWidget* parent)
    : QDialog(parent), editor_(state, profile) {
    setWindowTitle(QStringLiteral("Preferences"));
    setObjectName(QStringLiteral("preferencesDialog"));
    auto* grid = new QGridLayout;
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

void PreferencesDialog::accept() {
    editor_.Ok({diskFree_->text().toStdString(), dataSize_->text().toStdString()});
    QDialog::accept();
}

} // namespace veltrane
