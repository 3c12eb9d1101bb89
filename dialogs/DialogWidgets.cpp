#include "dialogs/DialogWidgets.h"

#include "dialogs/DialogHost.h"

#include <QApplication>
#include <QCursor>

namespace veltrane {

QPushButton* MakeButton(const QString& text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

void InstallWaitCursor(DialogHost& host) {
    if (host.waitCursor) {
        return;
    }
    host.waitCursor = [](bool on) {
        if (on) {
            QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        } else {
            QApplication::restoreOverrideCursor();
        }
    };
}

} // namespace veltrane
