#include "live/FormControls.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace veltrane {

QLineEdit* MakeFormField(QWidget* parent, const QRect& geometry, bool readOnly) {
    auto* field = new QLineEdit(parent);
    field->setReadOnly(readOnly);
    field->setAlignment(Qt::AlignRight);
    field->setGeometry(geometry);
    return field;
}

QPushButton* MakeFormButton(QWidget* parent, const QString& text, const QRect& geometry) {
    auto* button = new QPushButton(text, parent);
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    return button;
}

QLabel* MakeFormLabel(QWidget* parent, const QString& text, const QRect& geometry) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    return label;
}

} // namespace veltrane
