#pragma once

#include <memory>

class QWidget;

namespace veltrane {

class DialogHost;

// What the main window calls. The board and channel dialog is modeless: it takes over the
// host, is shown at once and deletes itself when it closes (watch QObject::destroyed).
QWidget* OpenBoardChannelDialog(std::unique_ptr<DialogHost> host, QWidget* parent);
// Rewrites an open board and channel dialog's controls from its working copy.
void RefreshBoardChannelDialog(QWidget* dialog);
// The modal dialogs; true when closed with OK.
bool RunGateModesDialog(DialogHost& host, QWidget* parent);
bool RunTimedEventsDialog(DialogHost& host, QWidget* parent);

} // namespace veltrane
