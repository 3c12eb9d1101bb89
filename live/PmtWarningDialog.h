#pragma once

#include <QDialog>

#include <functional>

namespace veltrane {

// The modal "PMT Protection Warning" with its two texts, OK and Help.
class PmtWarningDialog : public QDialog {
    Q_OBJECT
public:
    PmtWarningDialog(QWidget* parent, std::function<void()> help);
};

} // namespace veltrane
