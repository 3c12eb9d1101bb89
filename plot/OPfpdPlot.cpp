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
    renderPending_ = true;
    OPlot::InvalidatePlot();
}

void OPfpdPlot::AddPulse(const PulseRecord& pulse, int triggerLevel) {
    pulse_.AddPulse(pulse, triggerLevel);
    if (!IsDragging())
        InvalidatePlot();
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

OPfpdPlot::StaticKey OPfpdPlot::CurrentStaticKey(QSize client) const {
    StaticKey key;
    key.client = client;
    key.view = Model().View();
    key.gridLines = Model().gridLines;
    for (int i = 0; i < Model().TraceCount(); ++i) {
        const PlotTrace* trace = Model().Trace(i);
        key.ranges.insert(key.ranges.end(), {trace->xMin, trace->xMax, trace->yMin, trace->yMax});
        key.visible.push_back(trace->IsVisible());
    }
    return key;
}

bool OPfpdPlot::EnsurePixmaps(QSize client) {
    if (surface_.size() == client && !surface_.isNull())
        return true;
    // New pixmaps only when the size changes.
    surface_ = QPixmap(client);
    background_ = QPixmap(client);
    backgroundValid_ = false;
    if (surface_.isNull() || background_.isNull()) {
        failed_ = true;
        if (prompts_ != nullptr)
            prompts_->ShowMessage(kBitmapCreationFailure, MessageIcon::Error);
        QCoreApplication::exit(1);
        return false;
    }
    return true;
}

void OPfpdPlot::Render() {
    renderPending_ = false;
    const QSize client = ClientSize();
    if (failed_ || client.width() < 11 || client.height() < 11 || !EnsurePixmaps(client))
        return;
    QPainter painter(&surface_);
    if (!backgroundValid_ || !(CurrentStaticKey(client) == staticKey_)) {
        background_.fill(ToQColor(kLightGrey));
        QPainter backgroundPainter(&background_);
        backgroundPainter.setFont(font());
        drawable_ = DrawStatic(backgroundPainter, client);
        backgroundPainter.end();
        staticKey_ = CurrentStaticKey(client);
        backgroundValid_ = true;
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawPixmap(0, 0, background_);
        dirty_.Clear();
    } else {
        // Only what the last pulse drew needs the clean plot back.
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        for (const QRect& rect : dirty_.Rects())
            painter.drawPixmap(rect, background_, rect);
        dirty_.Clear();
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (drawable_)
        DrawDynamic(painter);
}

void OPfpdPlot::DrawDynamic(QPainter& painter) {
    DrawTraces(painter, &dirty_);
    const PlotModel& model = Model();
    const PlotTrace* current = model.Trace(pulse_.CurrentTraceIndex());
    if (current == nullptr || model.View().xExtent <= 9 || model.View().yExtent <= 9)
        return;
    PlotPainter plotPainter(painter, model, &dirty_);

    painter.save();
    painter.setClipRect(ToQRect(model.Rect()));
    const MarkerHandleSet& markers = pulse_.Markers();
    for (int i = 0; i < markers.HandleCount(); ++i) {
        const MarkerHandle& handle = markers.Handle(i);
        plotPainter.DrawMarker(PixelX(model.View(), model.Rect(), ToLogicalX(*current, handle.Position())),
                               ToQColor(handle.Colour()));
    }
    painter.restore();

    const auto pointOf = [&](const PlotTrace& trace, int index) {
        return LogicalPoint{ToLogicalX(trace, trace.XAt(index)), ToLogicalY(trace, trace.YAt(index))};
    };
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
    }

    const QColor startColour = TableColour(kPulseStartEntry);
    if (pulse_.TriggerIndex() >= 0)
        plotPainter.DrawSymbol(kSymbolPlus, pointOf(*current, pulse_.TriggerIndex()), 0.0f, startColour,
                               startColour);
    for (int n = 0; n < 2; ++n) {
        if (pulse_.ReferenceVisible(n) && pulse_.ReferenceTriggerIndex(n) >= 0) {
            const PlotTrace& reference = *model.Trace(pulse_.ReferenceTraceIndex(n));
            plotPainter.DrawSymbol(kSymbolPlus, pointOf(reference, pulse_.ReferenceTriggerIndex(n)), 0.0f,
                                   startColour, startColour);
        }
    }
}

void OPfpdPlot::paintEvent(QPaintEvent* /*event*/) {
    if (renderPending_ || surface_.size() != ClientSize())
        Render();
    QPainter painter(viewport());
    if (surface_.isNull() || surface_.size() != ClientSize())
        painter.fillRect(viewport()->rect(), ToQColor(kLightGrey));
    else
        painter.drawPixmap(0, 0, surface_);

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
    backgroundValid_ = false;
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
