#include "live/DataFileDialog.h"

#include "live/LiveMessages.h"

#include <QFileInfo>

namespace veltrane {

DataFileDialog::DataFileDialog(QWidget* parent, const QString& directory,
                               std::function<bool(const QString&)> refuse)
    : QFileDialog(parent, QString::fromUtf8(messages::kChooseDataFileTitle), directory,
                  QString::fromUtf8(messages::kDataFileFilter)),
      refuse_(std::move(refuse)) {
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setDefaultSuffix(QString::fromUtf8(messages::kDataFileExtension));
    setOption(QFileDialog::DontConfirmOverwrite, true);
}

void DataFileDialog::accept() {
    const QStringList files = selectedFiles();
    if (!files.isEmpty() && refuse_ && refuse_(QFileInfo(files.front()).fileName())) {
        return;
    }
    QFileDialog::accept();
}

} // namespace veltrane
