#include "live/PmtWarningDialog.h"

#include "live/LiveMessages.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace veltrane {

PmtWarningDialog::PmtWarningDialog(QWidget* parent, std::function<void()> help) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(messages::kPmtWarningCaption));
    auto* layout = new QVBoxLayout(this);
    auto* first = new QLabel(QString::fromUtf8(messages::kPmtWarningText1), this);
    first->setWordWrap(true);
    auto* second = new QLabel(QString::fromUtf8(messages::kPmtWarningText2), this);
    second->setWordWrap(true);
    QFont bold = second->font();
    bold.setBold(true);
    second->setFont(bold);
    layout->addWidget(first);
    layout->addWidget(second);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Help, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [help] {
        if (help) {
            help();
        }
    });
    setMinimumWidth(420);
}

} // namespace veltrane
