#include "dialogs/ParameterDialogs.h"

#include "dialogs/BoardChannelDialog.h"
#include "dialogs/DialogHost.h"
#include "dialogs/GateModesDialog.h"
#include "dialogs/TimedEventsDialog.h"

namespace veltrane {

QWidget* OpenBoardChannelDialog(std::unique_ptr<DialogHost> host, QWidget* parent) {
    auto* dialog = new BoardChannelDialog(std::move(host), parent);
    dialog->show();
    dialog->PlaceAtTopRight();
    return dialog;
}

void RefreshBoardChannelDialog(QWidget* dialog) {
    if (auto* board = qobject_cast<BoardChannelDialog*>(dialog)) {
        board->Refresh();
    }
}

bool RunGateModesDialog(DialogHost& host, QWidget* parent) {
    GateModesDialog dialog(host, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool RunTimedEventsDialog(DialogHost& host, QWidget* parent) {
    TimedEventsDialog dialog(host, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace veltrane
