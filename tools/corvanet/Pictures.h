#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

class QPagedPaintDevice;
class QWidget;

namespace veltrane {
struct Chromatogram;
struct RegateSettings;
} // namespace veltrane

namespace veltrane::corvanet {

struct Command;

// A view written as a picture: PNG (the view's pixels), SVG (lines and text), or PDF (a page with
// the header lines above the view), chosen by the file name's suffix. Written through a temporary
// name; false with the reason when nothing could be written.
bool WritePicture(QWidget& view, const QString& path, const QStringList& header, QString& error);

// One page: the header lines at the top, the view scaled to fit the rest. Printing and PDF use it.
void PaintPage(QWidget& view, QPagedPaintDevice& device, const QStringList& header);

// The chromatogram alone, drawn at the given size, as a PNG file (the command line's pictures).
bool WriteChromatogramPng(const Chromatogram& chromatogram, const RegateSettings& settings, QSize size,
                          const QString& path, QString& error);

// Lets an --export-png command draw its pictures (with WriteChromatogramPng at the command's size).
void SetPictureWriter(Command& command);

} // namespace veltrane::corvanet
