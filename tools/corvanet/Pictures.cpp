#include "Pictures.h"

#include "ChromatogramPanel.h"

#include "CommandLine.h"
#include "CorvanetMessages.h"
#include "datafile/Regating.h"
#include "plot/OFloatArray.h"
#include "plot/OPlot.h"
#include "plot/PlotConstants.h"
#include "plot/PlotPainter.h"
#include "plot/PlotTrace.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QWidget>

#include <algorithm>

namespace veltrane::corvanet {

namespace {

QString Text(const char* text) {
    return QString::fromUtf8(text);
}

bool WriteImage(const QImage& image, const QString& path, QString& error) {
    QSaveFile file(path);
    if (image.isNull() || !file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
        error = Text(messages::kCannotWritePicture);
        return false;
    }
    return true;
}

} // namespace

void PaintPage(QWidget& view, QPagedPaintDevice& device, const QStringList& header) {
    QPainter painter(&device);
    const QRect page(0, 0, device.width(), device.height());
    QFont font = painter.font();
    font.setPointSizeF(9.0);
    painter.setFont(font);
    const QRect textArea = page.adjusted(0, 0, 0, -page.height() / 2);
    QRect used;
    painter.drawText(textArea, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                     header.join(QLatin1Char('\n')), &used);
    const int gap = painter.fontMetrics().height();
    const QRect room = page.adjusted(0, used.bottom() + gap, 0, 0);
    const QSize size = view.size();
    if (size.isEmpty() || room.height() <= 0) {
        return;
    }
    const double scale = std::min(static_cast<double>(room.width()) / size.width(),
                                  static_cast<double>(room.height()) / size.height());
    painter.translate(room.topLeft());
    painter.scale(scale, scale);
    view.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
}

bool WritePicture(QWidget& view, const QString& path, const QStringList& header, QString& error) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QStringLiteral("png")) {
        return WriteImage(view.grab().toImage(), path, error);
    }
    if (suffix != QStringLiteral("svg") && suffix != QStringLiteral("pdf")) {
        error = Text(messages::kPictureSuffix);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = Text(messages::kCannotWritePicture);
        return false;
    }
    if (suffix == QStringLiteral("svg")) {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(view.size());
        svg.setViewBox(QRect(QPoint(), view.size()));
        svg.setTitle(header.value(0));
        QPainter painter(&svg);
        view.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    } else {
        QPdfWriter pdf(&file);
        pdf.setPageOrientation(QPageLayout::Landscape);
        pdf.setTitle(header.value(0));
        PaintPage(view, pdf, header);
    }
    if (!file.commit()) {
        error = Text(messages::kCannotWritePicture);
        return false;
    }
    return true;
}

bool WriteChromatogramPng(const Chromatogram& chromatogram, const RegateSettings& settings, QSize size,
                          const QString& path, QString& error) {
    OPlot plot;
    auto trace = std::make_unique<PlotTrace>(2, 1);
    trace->xTitle = "min";
    trace->hasX = true;
    trace->ownsArrays = true;
    trace->xValues = new OFloatArray;
    trace->yValues = new OFloatArray;
    FillChromatogramTrace(*trace, chromatogram, settings);
    plot.AddTrace(std::move(trace));
    QImage image(size, QImage::Format_RGB32);
    image.fill(ToQColor(kLightGrey));
    {
        QPainter painter(&image);
        plot.DrawPlot(painter, size);
    }
    return WriteImage(image, path, error);
}

void SetPictureWriter(Command& command) {
    const QSize size(command.pictureSize.first, command.pictureSize.second);
    command.drawPicture = [size](const std::string& target, const RegateSettings& settings,
                                 const Chromatogram& chromatogram, std::string& error) {
        QString why;
        const bool ok =
            WriteChromatogramPng(chromatogram, settings, size, QString::fromStdString(target), why);
        error = why.toStdString();
        return ok;
    };
}

} // namespace veltrane::corvanet
