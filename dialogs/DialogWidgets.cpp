#include "dialogs/DialogWidgets.h"

#include "dialogs/DialogHost.h"

#include <QApplication>
#include <QCursor>
#include <QSignalBlocker>

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

void ConnectRowChoice(QListWidget* list, const std::function<void(int)>& onChosen) {
    // Focus makes a row current without selecting it; a click or an arrow key selects it.
    QObject::connect(list, &QListWidget::itemSelectionChanged, list, [list, onChosen] {
        const int row = SelectedRow(list);
        if (row >= 0) {
            onChosen(row);
        }
    });
}

int SelectedRow(const QListWidget* list) {
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}

void ShowLines(QListWidget* list, const std::vector<std::string>& lines, int keepSelected) {
    const QSignalBlocker blocker(list);
    list->clear();
    for (const std::string& line : lines) {
        list->addItem(QString::fromStdString(line));
    }
    if (keepSelected >= 0 && keepSelected < list->count()) {
        list->setCurrentRow(keepSelected);
    } else {
        // Set through the view, so that the next focus-in does not make row 0 current.
        list->setCurrentIndex(QModelIndex());
    }
}

ListEditButtons MakeListEditButtons(QWidget* parent) {
    ListEditButtons buttons;
    buttons.column = new QVBoxLayout;
    buttons.ok = new QPushButton(QStringLiteral("&OK"), parent);
    buttons.ok->setObjectName(QStringLiteral("okButton"));
    buttons.ok->setDefault(true);
    buttons.cancel = MakeButton(QStringLiteral("&Cancel"), "cancelButton", parent);
    buttons.help = MakeButton(QStringLiteral("&Help"), "helpButton", parent);
    buttons.add = MakeButton(QStringLiteral("&Add"), "addButton", parent);
    buttons.change = MakeButton(QStringLiteral("Cha&nge"), "changeButton", parent);
    buttons.remove = MakeButton(QStringLiteral("&Delete"), "deleteButton", parent);
    for (QPushButton* button : {buttons.ok, buttons.cancel, buttons.help}) {
        buttons.column->addWidget(button);
    }
    buttons.column->addSpacing(16);
    for (QPushButton* button : {buttons.add, buttons.change, buttons.remove}) {
        buttons.column->addWidget(button);
    }
    buttons.column->addStretch();
    return buttons;
}

} // namespace veltrane
