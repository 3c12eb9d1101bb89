#pragma once

#include "config/RunLogListing.h"
#include "platform/Clock.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QListWidget;
class QPrinter;

namespace veltrane {

class DialogHost;

// Draws list lines as the run log printout: 42 a page under a title and the date, each page
// closed by its "Page %d" footer; lastPage > 0 stops after that page. False when the
// printer could not be drawn on.
bool PrintRunLog(QPrinter& printer, const std::vector<std::string>& lines, int lastPage,
                 const LocalDateTime& today);

// The modal "Run Log" dialog: lists the run log file and saves, prints or clears it.
class RunLogDialog : public QDialog {
public:
    RunLogDialog(DialogHost& host, QWidget* parent);

    // Test seams: the save-type file dialog (nothing when cancelled) and the print dialog
    // (false when cancelled; sets the last page of a chosen range, else 0).
    std::function<std::optional<std::string>()> chooseSavePath;
    std::function<bool(QPrinter& printer, int& lastPage)> choosePrinter;
    std::function<LocalDateTime()> today;

    QListWidget* List() const { return list_; }

    void OnClear();
    void OnOk();
    void OnSaveAs();
    void OnPrint();

private:
    void FillList();
    std::optional<std::string> AskSavePath();
    bool AskPrinter(QPrinter& printer, int& lastPage);

    DialogHost& host_;
    RunLogListing listing_;
    QListWidget* list_ = nullptr;
};

// What the main window calls: shows the dialog modally.
void RunRunLogDialog(DialogHost& host, QWidget* parent);

} // namespace veltrane
