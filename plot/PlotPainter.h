#pragma once

#include "plot/AxisLayout.h"
#include "plot/PlotModel.h"
#include "plot/PlotSymbol.h"

#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QRect>

#include <vector>

namespace veltrane {

QColor ToQColor(std::uint32_t colourWord);
// A cosmetic 1-pixel pen: the raster engine's fast line path, dashed lines included.
QPen LinePen(const QColor& colour, Qt::PenStyle style = Qt::SolidLine);
QRect ToQRect(const PlotRect& rect);

// Text measured with the painter's font, in pixels.
class QtTextMeasure : public TextMeasure {
public:
    explicit QtTextMeasure(const QFont& font) : metrics_(font) {}
    int Width(const std::string& text) const override;
    int Height() const override { return metrics_.height(); }
    int Ascent() const { return metrics_.ascent(); }

private:
    QFontMetrics metrics_;
};

// Remembers the pixel rectangles a drawing touched, so they can be restored from a clean copy.
class DirtyRects {
public:
    void Add(const QRect& rect);
    void AddClipped(const QRect& rect, const QRect& clip) { Add(rect.intersected(clip)); }
    const std::vector<QRect>& Rects() const { return rects_; }
    void Clear() { rects_.clear(); }

private:
    std::vector<QRect> rects_;
};

// Drawing of the plot's parts with 1-pixel pens and no anti-aliasing. Every function takes an
// optional DirtyRects that learns what it touched.
class PlotPainter {
public:
    PlotPainter(QPainter& painter, const PlotModel& model, DirtyRects* dirty = nullptr)
        : painter_(painter), model_(model), dirty_(dirty) {}

    void DrawFrame();
    void DrawTitles(const std::vector<AxisTitle>& titles);
    void DrawAxes(const AxisDrawing& axes, const QtTextMeasure& measure);
    void DrawTrace(int traceIndex);
    void DrawSymbol(int type, LogicalPoint at, float scale, const QColor& pen, const QColor& fill);
    // Three 1-pixel lines, at the marker and one pixel either side, across the plot rectangle.
    void DrawMarker(int pixelX, const QColor& colour);
    // The pixels DrawMarker fills (before any clip).
    static QRect MarkerLines(const PlotRect& rect, int pixelX);

private:
    QPoint Pixel(LogicalPoint point) const;
    void Touch(const QRect& rect, bool clipped);

    QPainter& painter_;
    const PlotModel& model_;
    DirtyRects* dirty_;
};

} // namespace veltrane
