#pragma once

#include <QFileDialog>

#include <functional>

namespace veltrane {

// "Create New PFPD Data File": a save dialog that does not ask about overwriting (the view asks
// itself) and stays open while the chosen name breaks the designator rule.
class DataFileDialog : public QFileDialog {
    Q_OBJECT
public:
    // refuse(name) shows its message and returns true when the name may not be taken.
    DataFileDialog(QWidget* parent, const QString& directory, std::function<bool(const QString&)> refuse);

    void accept() override;

private:
    std::function<bool(const QString&)> refuse_;
};

} // namespace veltrane
