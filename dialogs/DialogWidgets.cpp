#include "dialogs/DialogWidgets.h"

#include "dialogs/DialogHost.h"

#include <QApplication>
#include <QCursor>
#include <QHBoxLayout>
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

ListEditButtons LayOutListEditor(QDialog* dialog, QWidget* list, QWidget* current,
                                 const ListEditHandlers& handlers) {
    ListEditButtons buttons;
    auto* column = new QVBoxLayout;
    buttons.ok = new QPushButton(QStringLiteral("&OK"), dialog);
    buttons.ok->setObjectName(QStringLiteral("okButton"));
    buttons.ok->setDefault(true);
    buttons.cancel = MakeButton(QStringLiteral("&Cancel"), "cancelButton", dialog);
    buttons.help = MakeButton(QStringLiteral("&Help"), "helpButton", dialog);
    buttons.add = MakeButton(QStringLiteral("&Add"), "addButton", dialog);
    buttons.change = MakeButton(QStringLiteral("Cha&nge"), "changeButton", dialog);
    buttons.remove = MakeButton(QStringLiteral("&Delete"), "deleteButton", dialog);
    for (QPushButton* button : {buttons.ok, buttons.cancel, buttons.help}) {
        column->addWidget(button);
    }
    column->addSpacing(16);
    for (QPushButton* button : {buttons.add, buttons.change, buttons.remove}) {
        column->addWidget(button);
    }
    column->addStretch();
    QObject::connect(buttons.ok, &QPushButton::clicked, dialog, handlers.ok);
    QObject::connect(buttons.cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    QObject::connect(buttons.help, &QPushButton::clicked, dialog, handlers.help);
    QObject::connect(buttons.add, &QPushButton::clicked, dialog, handlers.add);
    QObject::connect(buttons.change, &QPushButton::clicked, dialog, handlers.change);
    QObject::connect(buttons.remove, &QPushButton::clicked, dialog, handlers.remove);

    auto* left = new QVBoxLayout;
    left->addWidget(list);
    left->addWidget(current);
    auto* layout = new QHBoxLayout(dialog);
    layout->addLayout(left);
    layout->addLayout(column);
    return buttons;
}

} // namespace veltrane
