#include "plot/PlotPainter.h"

#include "plot/PlotMessages.h"

#include <QPolygon>
#include <QString>

#include <algorithm>
#include <cmath>

namespace veltrane {

namespace {

// Polylines are remembered in pieces this long, so the rectangles hug the curve.
constexpr int kDirtyChunk = 4;
// A piece joins the rectangle before it when that adds at most this many pixels: fewer, larger
// rectangles cost less to copy and to repaint than many small ones (measured at 1920x1080).
constexpr long long kDirtyMergeSlack = 2000;

Qt::PenStyle QtStyle(const PlotTrace& trace, bool lineStyles) {
    if (trace.penStyle == kAutomaticPenStyle) {
        if (!lineStyles)
            return Qt::SolidLine;
        switch (trace.assignedStyle) {
        case LineStyle::Dash:
            return Qt::DashLine;
        case LineStyle::DashDot:
            return Qt::DashDotLine;
        case LineStyle::DashDotDot:
            return Qt::DashDotDotLine;
        case LineStyle::Solid:
            break;
        }
        return Qt::SolidLine;
    }
    switch (trace.penStyle) {
    case 1:
        return Qt::DashLine;
    case 2:
        return Qt::DotLine;
    case 3:
        return Qt::DashDotLine;
    case 4:
        return Qt::DashDotDotLine;
    default:
        return Qt::SolidLine;
    }
}

QRect BoundsOf(const QPoint* points, int count) {
    int left = points[0].x(), right = left, top = points[0].y(), bottom = top;
    for (int i = 1; i < count; ++i) {
        left = std::min(left, points[i].x());
        right = std::max(right, points[i].x());
        top = std::min(top, points[i].y());
        bottom = std::max(bottom, points[i].y());
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace

QColor ToQColor(std::uint32_t colourWord) {
    return QColor(RedOf(colourWord), GreenOf(colourWord), BlueOf(colourWord));
}

QPen LinePen(const QColor& colour, Qt::PenStyle style) {
    QPen pen(colour, 0, style);
    pen.setCosmetic(true);
    return pen;
}

QRect ToQRect(const PlotRect& rect) {
    return QRect(rect.left, rect.top, rect.Width(), rect.Height());
}

int QtTextMeasure::Width(const std::string& text) const {
    return metrics_.horizontalAdvance(QString::fromStdString(text));
}

void DirtyRects::Add(const QRect& rect) {
    if (rect.isEmpty())
        return;
    // A trace is drawn in short pieces that follow one another: a piece joins the previous
    // rectangle when their union adds little area, which keeps the list (and so the copies and
    // the window region built from it) short without restoring much more than was drawn.
    if (!rects_.empty()) {
        QRect& last = rects_.back();
        const QRect united = last.united(rect);
        const auto area = [](const QRect& r) { return static_cast<long long>(r.width()) * r.height(); };
        if (area(united) <= area(last) + area(rect) + kDirtyMergeSlack) {
            last = united;
            return;
        }
    }
    rects_.push_back(rect);
}

QPoint PlotPainter::Pixel(LogicalPoint point) const {
    const PixelPoint p = ToPixel(model_.View(), model_.Rect(), point);
    return {p.x, p.y};
}

void PlotPainter::Touch(const QRect& rect, bool clipped) {
    if (dirty_ == nullptr)
        return;
    // One pixel of slack for the pen.
    const QRect grown = rect.normalized().adjusted(-1, -1, 1, 1);
    if (clipped)
        dirty_->AddClipped(grown, ToQRect(model_.Rect()));
    else
        dirty_->Add(grown);
}

void PlotPainter::DrawFrame() {
    const QRect plot = ToQRect(model_.Rect());
    painter_.setPen(QPen(Qt::black, 3));
    painter_.setBrush(Qt::white);
    painter_.drawRect(plot);
    Touch(plot.adjusted(-2, -2, 2, 2), false);
}

void PlotPainter::DrawTitles(const std::vector<AxisTitle>& titles) {
    QFont font(QString::fromLatin1(kTitleFontFace));
    font.setBold(true);
    painter_.save();
    painter_.setFont(font);
    painter_.setBackgroundMode(Qt::TransparentMode);
    painter_.setPen(Qt::black);
    const QFontMetrics metrics(font);
    for (const AxisTitle& title : titles) {
        if (title.text.empty())
            continue;
        const QString text = QString::fromStdString(title.text);
        const PixelPoint origin = TitleOrigin(title.anchor.x, title.anchor.y, title.escapement,
                                              metrics.horizontalAdvance(text), metrics.height());
        painter_.save();
        painter_.translate(origin.x, origin.y);
        painter_.rotate(-title.escapement / 10.0);
        painter_.drawText(0, metrics.ascent(), text);
        painter_.restore();
    }
    painter_.restore();
}

void PlotPainter::DrawAxes(const AxisDrawing& axes, const QtTextMeasure& measure) {
    const QPen solid = LinePen(Qt::black);
    const QPen dotted = LinePen(Qt::black, Qt::DotLine);
    for (const AxisLine& line : axes.lines) {
        painter_.setPen(line.dotted ? dotted : solid);
        const QPoint from = Pixel(line.from);
        const QPoint to = Pixel(line.to);
        painter_.drawLine(from, to);
        Touch(QRect(from, to), false);
    }
    painter_.setPen(Qt::black);
    for (const AxisLabel& label : axes.labels) {
        const QString text = QString::fromStdString(label.text);
        const int width = measure.Width(label.text);
        const QPoint anchor = Pixel(label.at);
        const int left = label.anchor == TextAnchor::Right ? anchor.x() - width : anchor.x();
        painter_.drawText(left, anchor.y() + measure.Ascent(), text);
        Touch(QRect(left, anchor.y(), width, measure.Height()), false);
    }
}

void PlotPainter::DrawTrace(int traceIndex) {
    const PlotTrace* trace = model_.Trace(traceIndex);
    if (trace == nullptr)
        return;
    const auto runs = model_.TraceRuns(traceIndex);
    if (runs.empty())
        return;
    const QColor colour = ToQColor(trace->colour);
    painter_.setPen(LinePen(colour, QtStyle(*trace, model_.lineStyles)));
    painter_.setBrush(colour);
    std::vector<QPoint> points;
    for (const auto& run : runs) {
        points.clear();
        points.reserve(run.size());
        for (const PixelPoint& p : run)
            points.emplace_back(p.x, p.y);
        const int count = static_cast<int>(points.size());
        if (!trace->lines)
            continue;
        if (count == 1)
            painter_.drawPoint(points[0]);
        else
            painter_.drawPolyline(points.data(), count);
        for (int start = 0; start < count; start += kDirtyChunk) {
            // Chunks overlap by one point so the segment between them is covered.
            const int length = std::min(kDirtyChunk + 1, count - start);
            Touch(BoundsOf(points.data() + start, length), true);
        }
    }
    if (trace->symbols) {
        for (int i = 0; i < trace->count; ++i) {
            if (std::isfinite(trace->XAt(i)) && std::isfinite(trace->YAt(i)))
                DrawSymbol(trace->symbol,
                           LogicalPoint{ToLogicalX(*trace, trace->XAt(i)), ToLogicalY(*trace, trace->YAt(i))},
                           trace->symbolScale, colour, colour);
        }
    }
}

void PlotPainter::DrawSymbol(int type, LogicalPoint at, float scale, const QColor& pen, const QColor& fill) {
    const ViewState& view = model_.View();
    const SymbolShape shape = MakeSymbol(type, at, view.xStep, view.yStep, scale);
    if (shape.kind == SymbolKind::None)
        return;
    painter_.setPen(LinePen(pen));
    painter_.setBrush(fill);
    const QRect box = QRect(Pixel(shape.low), Pixel(shape.high)).normalized();
    switch (shape.kind) {
    case SymbolKind::FilledBox:
        painter_.drawRect(box);
        break;
    case SymbolKind::FilledEllipse:
        painter_.drawEllipse(box);
        break;
    case SymbolKind::FilledPolygon: {
        QPolygon polygon;
        for (const LogicalPoint& p : shape.points)
            polygon << Pixel(p);
        painter_.drawPolygon(polygon);
        break;
    }
    case SymbolKind::Lines:
        for (std::size_t i = 0; i + 1 < shape.points.size(); i += 2)
            painter_.drawLine(Pixel(shape.points[i]), Pixel(shape.points[i + 1]));
        break;
    case SymbolKind::None:
        break;
    }
    Touch(box, false);
}

QRect PlotPainter::MarkerLines(const PlotRect& rect, int pixelX) {
    // Three adjacent 1-pixel lines are one 3-pixel-wide fill, which is much cheaper to draw.
    return QRect(pixelX - 1, rect.top, 3, rect.Height() + 1);
}

void PlotPainter::DrawMarker(int pixelX, const QColor& colour) {
    const QRect lines = MarkerLines(model_.Rect(), pixelX);
    painter_.fillRect(lines, colour);
    Touch(lines, true);
}

} // namespace veltrane
