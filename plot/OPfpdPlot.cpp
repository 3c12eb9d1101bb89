#include "plot/OPfpdPlot.h"

#include "platform/Prompts.h"
#include "plot/PlotMessages.h"

#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>

namespace veltrane {

namespace {

PixelPoint ToPixelPoint(QPoint point) {
    return {point.x(), point.y()};
}

QColor TableColour(int index) {
    return ToQColor(kColourTable[static_cast<std::size_t>(index)].colour);
}

constexpr int kGreenEntry = 2;
constexpr int kBlueEntry = 1;
constexpr int kPulseStartEntry = 6;

} // namespace

OPfpdPlot::OPfpdPlot(QWidget* parent, Prompts* prompts) : OPlot(parent), pulse_(Model()), prompts_(prompts) {
    setWindowTitle(QString::fromLatin1(kEmbeddedPlotTitle));
    Model().legendShown = false;
    pulse_.SetUp();
    Model().SavePreviousView();
    for (int i = 0; i < Model().TraceCount(); ++i)
        OPlot::SetTraceVisible(i, Model().Trace(i)->IsVisible());
}

OPfpdPlot::~OPfpdPlot() = default;

void OPfpdPlot::InvalidatePlot() {
    backgroundValid_ = false;
    RequestRender();
}

void OPfpdPlot::RequestRender() {
    renderPending_ = true;
    OPlot::InvalidatePlot();
}

void OPfpdPlot::AddPulse(const PulseRecord& pulse, int triggerLevel) {
    pulse_.AddPulse(pulse, triggerLevel);
    if (IsDragging())
        return;
    if (renderPending_ || !backgroundValid_ || !viewport()->isVisible() || surface_.size() != ClientSize()) {
        RequestRender();
        return;
    }
    viewport()->update(Render());
}

void OPfpdPlot::HoldReference(int n) {
    pulse_.HoldReference(n);
    InvalidatePlot();
}

void OPfpdPlot::ClearReference(int n) {
    pulse_.ClearReference(n);
    InvalidatePlot();
}

void OPfpdPlot::SetMarkerPairA(float start, float stop) {
    pulse_.SetMarkerPairA(start, stop);
    InvalidatePlot();
}

void OPfpdPlot::SetMarkerPairB(float start, float stop) {
    pulse_.SetMarkerPairB(start, stop);
    InvalidatePlot();
}

void OPfpdPlot::SetAttenuationFactor(int factor) {
    pulse_.SetAttenuationFactor(factor);
    InvalidatePlot();
}

bool OPfpdPlot::IsDragging() const {
    return Model().Mode() != MouseMode::Idle || pulse_.Markers().CurrentMode() != MarkerHandleSet::Idle;
}

bool OPfpdPlot::EnsurePixmaps(QSize client) {
    if (surface_.size() == client && !surface_.isNull())
        return true;
    // New pixmaps only when the size changes.
    surface_ = QPixmap(client);
    background_ = QPixmap(client);
    over_ = QPixmap(client);
    top_ = QPixmap(client);
    backgroundValid_ = false;
    if (surface_.isNull() || background_.isNull() || over_.isNull() || top_.isNull()) {
        failed_ = true;
        if (prompts_ != nullptr)
            prompts_->ShowMessage(kBitmapCreationFailure, MessageIcon::Error);
        QCoreApplication::exit(1);
        return false;
    }
    over_.fill(Qt::transparent);
    top_.fill(Qt::transparent);
    overRects_.Clear();
    topRects_.Clear();
    return true;
}

namespace {

// Makes a layer transparent again where it held anything.
void ClearLayer(QPixmap& layer, DirtyRects& held) {
    QPainter painter(&layer);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect& rect : held.Rects())
        painter.fillRect(rect, Qt::transparent);
    held.Clear();
}

} // namespace

void OPfpdPlot::DrawBackground(QSize client) {
    background_.fill(ToQColor(kLightGrey));
    ClearLayer(over_, overRects_);
    ClearLayer(top_, topRects_);
    QPainter painter(&background_);
    painter.setFont(font());
    drawable_ = DrawStatic(painter, client);
    painter.end();
    if (drawable_) {
        QPainter overPainter(&over_);
        DrawReferences(overPainter, overRects_);
        DrawReferenceMarks(overPainter, overRects_);
        overPainter.end();
        QPainter topPainter(&top_);
        DrawReferenceMarks(topPainter, topRects_);
        topPainter.end();
        QPainter backgroundPainter(&background_);
        for (const QRect& rect : overRects_.Rects())
            backgroundPainter.drawPixmap(rect, over_, rect);
    }
    backgroundValid_ = true;
}

QRegion OPfpdPlot::Render() {
    renderPending_ = false;
    const QSize client = ClientSize();
    if (failed_ || client.width() < 11 || client.height() < 11 || !EnsurePixmaps(client))
        return {};
    QRegion changed;
    const bool whole = !backgroundValid_;
    if (whole) {
        DrawBackground(client);
        markers_.clear();
    }
    const std::vector<MarkerLine> markers = drawable_ ? MarkerLines() : std::vector<MarkerLine>();
    const bool markersMoved = markers != markers_;
    QPainter painter(&surface_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const std::vector<QRect> restored = dirty_.Rects();
    if (whole) {
        painter.drawPixmap(0, 0, background_);
        changed = QRect(QPoint(0, 0), client);
    } else {
        // Only what the last pulse drew needs the clean plot back, and the markers' old place
        // when they moved with the pulse start.
        for (const QRect& rect : restored) {
            painter.drawPixmap(rect, background_, rect);
            changed += rect;
        }
        for (const MarkerLine& marker : markersMoved ? markers_ : std::vector<MarkerLine>()) {
            painter.drawPixmap(marker.lines, background_, marker.lines);
            changed += marker.lines;
        }
    }
    dirty_.Clear();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (drawable_)
        DrawCurrent(painter, markers, markersMoved, restored);
    markers_ = markers;
    if (!whole) {
        for (const QRect& rect : dirty_.Rects())
            changed += rect;
        for (const MarkerLine& marker : markersMoved ? markers : std::vector<MarkerLine>())
            changed += marker.lines;
    }
    return changed;
}

std::vector<OPfpdPlot::MarkerLine> OPfpdPlot::MarkerLines() const {
    std::vector<MarkerLine> lines;
    const PlotModel& model = Model();
    const PlotTrace* current = model.Trace(pulse_.CurrentTraceIndex());
    if (current == nullptr || model.View().xExtent <= 9 || model.View().yExtent <= 9)
        return lines;
    const MarkerHandleSet& markers = pulse_.Markers();
    for (int i = 0; i < markers.HandleCount(); ++i) {
        const MarkerHandle& handle = markers.Handle(i);
        const int x = PixelX(model.View(), model.Rect(), ToLogicalX(*current, handle.Position()));
        lines.push_back({PlotPainter::MarkerLines(model.Rect(), x).intersected(ToQRect(model.Rect())),
                         ToQColor(handle.Colour())});
    }
    return lines;
}

namespace {

// Lays a transparent layer over what was just drawn, where the layer holds anything.
void LayOver(QPainter& painter, const QPixmap& layer, const DirtyRects& layerRects, const DirtyRects& drawn) {
    for (const QRect& rect : drawn.Rects()) {
        for (const QRect& held : layerRects.Rects()) {
            const QRect both = rect.intersected(held);
            if (!both.isEmpty())
                painter.drawPixmap(both, layer, both);
        }
    }
}

} // namespace

void OPfpdPlot::DrawCurrent(QPainter& painter, const std::vector<MarkerLine>& markers, bool moved,
                            const std::vector<QRect>& restored) {
    const PlotModel& model = Model();
    const int currentIndex = pulse_.CurrentTraceIndex();
    const PlotTrace* current = model.Trace(currentIndex);
    if (current == nullptr)
        return;
    DrawTraces(painter, &dirty_, {currentIndex});
    LayOver(painter, over_, overRects_, dirty_); // the references and their marks

    // The markers lie over the references and under the references' marks. They stand relative
    // to the pulse start: drawn whole when they moved with it, else only where the last pulse
    // was taken away (restored) and where this one drew.
    DirtyRects markerDrawn;
    for (const MarkerLine& marker : markers) {
        const auto fill = [&](const QRect& rect) {
            if (!rect.isEmpty()) {
                painter.fillRect(rect, marker.colour);
                markerDrawn.Add(rect);
            }
        };
        if (moved) {
            fill(marker.lines);
            continue;
        }
        for (const QRect& rect : restored)
            fill(marker.lines.intersected(rect));
        for (const QRect& rect : dirty_.Rects())
            fill(marker.lines.intersected(rect));
    }
    LayOver(painter, top_, topRects_, markerDrawn);

    // The pulse starts share one colour, so it does not matter that this one goes over the references'.
    if (pulse_.TriggerIndex() < 0 || model.View().xExtent <= 9 || model.View().yExtent <= 9)
        return;
    const QColor startColour = TableColour(kPulseStartEntry);
    const int at = pulse_.TriggerIndex();
    PlotPainter(painter, model, &dirty_)
        .DrawSymbol(kSymbolPlus,
                    {ToLogicalX(*current, current->XAt(at)), ToLogicalY(*current, current->YAt(at))}, 0.0f,
                    startColour, startColour);
}

void OPfpdPlot::DrawReferences(QPainter& painter, DirtyRects& touched) {
    std::vector<int> references;
    for (int n = 0; n < 2; ++n)
        references.push_back(pulse_.ReferenceTraceIndex(n));
    DrawTraces(painter, &touched, references);
}

void OPfpdPlot::DrawReferenceMarks(QPainter& painter, DirtyRects& touched) {
    const PlotModel& model = Model();
    if (model.View().xExtent <= 9 || model.View().yExtent <= 9)
        return;
    PlotPainter plotPainter(painter, model, &touched);
    const auto pointOf = [&](const PlotTrace& trace, int index) {
        return LogicalPoint{ToLogicalX(trace, trace.XAt(index)), ToLogicalY(trace, trace.YAt(index))};
    };
    const QColor startColour = TableColour(kPulseStartEntry);
    for (int n = 0; n < 2; ++n) {
        if (!pulse_.ReferenceVisible(n))
            continue;
        const PlotTrace& reference = *model.Trace(pulse_.ReferenceTraceIndex(n));
        const ReferenceMarks& marks = pulse_.Marks(n);
        const QColor fill = ToQColor(reference.colour);
        for (int index : {marks.aStartIndex, marks.aStopIndex})
            plotPainter.DrawSymbol(kSymbolTriangleDown, pointOf(reference, index), 0.0f,
                                   TableColour(kGreenEntry), fill);
        for (int index : {marks.bStartIndex, marks.bStopIndex})
            plotPainter.DrawSymbol(kSymbolTriangleDown, pointOf(reference, index), 0.0f,
                                   TableColour(kBlueEntry), fill);
        if (pulse_.ReferenceTriggerIndex(n) >= 0)
            plotPainter.DrawSymbol(kSymbolPlus, pointOf(reference, pulse_.ReferenceTriggerIndex(n)), 0.0f,
                                   startColour, startColour);
    }
}

void OPfpdPlot::paintEvent(QPaintEvent* event) {
    if (renderPending_ || surface_.size() != ClientSize())
        Render();
    QPainter painter(viewport());
    if (surface_.isNull() || surface_.size() != ClientSize()) {
        painter.fillRect(viewport()->rect(), ToQColor(kLightGrey));
    } else {
        // Only the pixels asked for: after a pulse, those its trace left and those it now covers.
        // Each copy is clipped to its own rectangle: under a clip of many rectangles the raster
        // engine leaves its plain copy for a much slower general one.
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        for (const QRect& rect : event->region()) {
            painter.setClipRect(rect);
            painter.drawPixmap(rect, surface_, rect);
        }
        painter.setClipping(false);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }

    DrawOverlays(painter);
    if (hooks_.painted)
        hooks_.painted();
    const MarkerHandleSet& markers = pulse_.Markers();
    const PlotTrace* current = Model().Trace(pulse_.CurrentTraceIndex());
    if (markers.Selected() < 0 || markers.DragLineX() < 0 || current == nullptr)
        return;
    // While a marker is dragged: the handle where the drag began in its second colour, and
    // a line under the pointer.
    const PlotRect& rect = Model().Rect();
    painter.setClipRect(ToQRect(rect));
    const MarkerHandle& handle = markers.Handle(markers.Selected());
    PlotPainter(painter, Model())
        .DrawMarker(PixelX(Model().View(), rect, ToLogicalX(*current, handle.SavedPosition())),
                    ToQColor(handle.Colour2()));
    painter.setPen(LinePen(Qt::black));
    painter.drawLine(markers.DragLineX(), rect.top, markers.DragLineX(), rect.bottom);
}

void OPfpdPlot::resizeEvent(QResizeEvent* event) {
    OPlot::resizeEvent(event);
    // The size change laid the plot rectangle out afresh; the next drawing must lay out all of it.
    InvalidatePlot();
}

void OPfpdPlot::LeftDown(QPoint point) {
    // Handles are only taken from an idle plot; during a read-out the left button sets its base.
    if (Model().Mode() == MouseMode::Idle && pulse_.PressHandle(ToPixelPoint(point))) {
        viewport()->setCursor(Qt::SizeHorCursor);
        return;
    }
    OPlot::LeftDown(point);
}

void OPfpdPlot::LeftUp(QPoint point) {
    MarkerValues told;
    if (pulse_.ReleaseHandle(ToPixelPoint(point), told)) {
        InvalidatePlot();
        TellMarkers(told);
        return;
    }
    OPlot::LeftUp(point);
}

void OPfpdPlot::MouseMoved(QPoint point) {
    if (pulse_.Markers().Selected() >= 0 && !viewport()->rect().contains(point)) {
        // The pointer left the plot: the drag is taken back.
        CancelDrag();
        return;
    }
    const HandleMove move = pulse_.MoveHandle(ToPixelPoint(point));
    viewport()->setCursor(move.overHandle ? Qt::SizeHorCursor : Qt::ArrowCursor);
    if (move.dragging) {
        viewport()->update();
        return;
    }
    OPlot::MouseMoved(point);
}

void OPfpdPlot::leaveEvent(QEvent* event) {
    CancelDrag();
    OPlot::leaveEvent(event);
}

void OPfpdPlot::CancelDrag() {
    MarkerValues told;
    if (pulse_.CancelDrag(told)) {
        viewport()->setCursor(Qt::ArrowCursor);
        InvalidatePlot();
        TellMarkers(told);
    }
}

void OPfpdPlot::TellMarkers(const MarkerValues& values) {
    if (hooks_.markersChanged)
        hooks_.markersChanged(values);
}

} // namespace veltrane
