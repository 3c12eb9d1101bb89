#pragma once

#include <QComboBox>
#include <QPushButton>
#include <QString>

#include <array>

namespace veltrane {

class DialogHost;

// A push button that never acts as the dialog's default button.
QPushButton* MakeButton(const QString& text, const char* name, QWidget* parent);

template <std::size_t N> void FillList(QComboBox* list, const std::array<const char*, N>& texts) {
    list->clear();
    for (const char* text : texts) {
        list->addItem(QLatin1String(text));
    }
}

// Shows the wait cursor while the host runs a controller exchange, unless the host already
// has its own way of showing it.
void InstallWaitCursor(DialogHost& host);

} // namespace veltrane
