#pragma once

#include <QComboBox>
#include <QDialog>
#include <QListWidget>
#include <QPushButton>
#include <QString>
#include <QVBoxLayout>

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace veltrane {

class DialogHost;

// A push button that never acts as the dialog's default button.
QPushButton* MakeButton(const QString& text, const char* name, QWidget* parent);

// The button column of the list editors: OK (the default), Cancel, Help, a gap, then Add,
// Change and Delete, each with its accelerator.
struct ListEditButtons {
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* help = nullptr;
    QPushButton* add = nullptr;
    QPushButton* change = nullptr;
    QPushButton* remove = nullptr;
};
// What the list editors' buttons call; Cancel rejects the dialog.
struct ListEditHandlers {
    std::function<void()> ok;
    std::function<void()> help;
    std::function<void()> add;
    std::function<void()> change;
    std::function<void()> remove;
};
// Lays a list editor out: its list above its current-entry group, the button column beside them.
ListEditButtons LayOutListEditor(QDialog* dialog, QWidget* list, QWidget* current,
                                 const ListEditHandlers& handlers);

template <std::size_t N> void FillList(QComboBox* list, const std::array<const char*, N>& texts) {
    list->clear();
    for (const char* text : texts) {
        list->addItem(QLatin1String(text));
    }
}

// The list of a list editor. Only the operator's choice of a row (click, arrow keys) calls
// onChosen: the list taking the focus picks nothing, as Qt would otherwise make row 0 current.
void ConnectRowChoice(QListWidget* list, const std::function<void(int)>& onChosen);
// The selected row, -1 when there is none.
int SelectedRow(const QListWidget* list);
// Replaces the lines; selects keepSelected (when it is a row) without calling onChosen, else
// leaves the list with neither a selection nor a current row.
void ShowLines(QListWidget* list, const std::vector<std::string>& lines, int keepSelected = -1);

// Shows the wait cursor while the host runs a controller exchange, unless the host already
// has its own way of showing it.
void InstallWaitCursor(DialogHost& host);

} // namespace veltrane
