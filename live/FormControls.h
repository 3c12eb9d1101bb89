#pragma once

#include <QRect>

class QLabel;
class QLineEdit;
class QPushButton;
class QString;
class QWidget;

namespace veltrane {

// The live form's controls, each placed at its fixed geometry inside its parent.
QLineEdit* MakeFormField(QWidget* parent, const QRect& geometry, bool readOnly);
QPushButton* MakeFormButton(QWidget* parent, const QString& text, const QRect& geometry);
QLabel* MakeFormLabel(QWidget* parent, const QString& text, const QRect& geometry);

} // namespace veltrane
