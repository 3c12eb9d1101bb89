#include "plot/OPlot.h"

#include "plot/PlotMessages.h"
#include "plot/PlotPainter.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <cmath>

namespace veltrane {

namespace {

ScrollRequest RequestFor(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        return ScrollRequest::LineUp;
    case QAbstractSlider::SliderSingleStepAdd:
        return ScrollRequest::LineDown;
    case QAbstractSlider::SliderPageStepSub:
        return ScrollRequest::PageUp;
    case QAbstractSlider::SliderPageStepAdd:
        return ScrollRequest::PageDown;
    case QAbstractSlider::SliderMove:
        return ScrollRequest::Thumb;
    default:
        return ScrollRequest::Other;
    }
}

PixelPoint ToPixelPoint(QPoint point) {
    return {point.x(), point.y()};
}

constexpr int kLegendWidth = 150;
// One wheel notch (or one + or - key) zooms by this much.
constexpr double kZoomStep = 1.25;

} // namespace

OPlot::OPlot(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()}) {
        bar->setRange(0, kScrollBarMax);
        bar->setSingleStep(1);
        bar->setPageStep(100);
        const bool horizontal = bar == horizontalScrollBar();
        connect(bar, &QAbstractSlider::actionTriggered, this,
                [this, horizontal](int action) { OnScrollAction(horizontal, action); });
    }
    viewport()->setMouseTracking(true);
    // Every repaint covers the whole client area, so the window is never erased first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);

    legend_ = new QFrame(viewport());
    legend_->setWindowTitle(QString::fromLatin1(kLegendTitle));
    legend_->setAutoFillBackground(true);
    QPalette palette = legend_->palette();
    palette.setColor(QPalette::Window, ToQColor(kLightGrey));
    legend_->setPalette(palette);
    legend_->resize(kLegendWidth, 300);
    legend_->hide();

    beep_ = [] { QApplication::beep(); };
    UpdateScrollBars();
}

OPlot::~OPlot() = default;

QSize OPlot::ClientSize() const {
    return viewport()->size();
}

int OPlot::AddTrace(std::unique_ptr<PlotTrace> trace) {
    const int index = model_.AddTrace(std::move(trace));
    if (index >= 0) {
        AddLegendBox(index);
        LayoutLegend();
    }
    return index;
}

void OPlot::AddLegendBox(int index) {
    const PlotTrace* trace = model_.Trace(index);
    auto* box = new QCheckBox(QString::fromStdString(trace->name), legend_);
    box->setObjectName(QStringLiteral("legend%1").arg(1200 + index));
    box->setChecked(trace->IsVisible());
    QPalette palette = box->palette();
    palette.setColor(QPalette::WindowText, ToQColor(trace->colour));
    palette.setColor(QPalette::Window, ToQColor(kLightGrey));
    box->setPalette(palette);
    const bool named = !trace->name.empty();
    box->setVisible(named);
    box->setEnabled(named);
    connect(box, &QCheckBox::toggled, this, [this, index](bool checked) {
        if (PlotTrace* toggled = model_.Trace(index))
            toggled->SetVisible(checked);
        InvalidatePlot();
    });
    legendBoxes_.push_back(box);
}

void OPlot::LayoutLegend() {
    int widest = 0;
    for (QCheckBox* box : legendBoxes_) {
        widest = std::max(widest, box->isVisibleTo(legend_) ? box->sizeHint().width() + 10 : 0);
    }
    const int width = navigation_ ? std::max(kLegendWidth, widest) : kLegendWidth;
    int shown = 0;
    for (QCheckBox* box : legendBoxes_) {
        if (box->isVisibleTo(legend_)) {
            box->setGeometry(5, 5 + 18 * shown, std::max(250, width - 10), 18);
            ++shown;
        }
    }
    legend_->resize(width, navigation_ ? shown * 18 + 10 : model_.TraceCount() * 18 + 35);
    legend_->move(std::max(0, ClientSize().width() - width), 0);
    legend_->setVisible(model_.legendShown && (!navigation_ || shown > 0));
}

void OPlot::SetTraceName(int index, const std::string& name) {
    PlotTrace* trace = model_.Trace(index);
    if (trace == nullptr)
        return;
    trace->name = name;
    QCheckBox* box = legendBoxes_[static_cast<std::size_t>(index)];
    box->setText(QString::fromStdString(name));
    box->setVisible(!name.empty());
    box->setEnabled(!name.empty());
    LayoutLegend();
}

void OPlot::SyncLegend() {
    for (std::size_t i = 0; i < legendBoxes_.size(); ++i) {
        const PlotTrace* trace = model_.Trace(static_cast<int>(i));
        if (trace != nullptr && legendBoxes_[i]->isChecked() != trace->IsVisible()) {
            const QSignalBlocker blocker(legendBoxes_[i]);
            legendBoxes_[i]->setChecked(trace->IsVisible());
        }
    }
}

void OPlot::SetTraceVisible(int index, bool visible) {
    if (PlotTrace* trace = model_.Trace(index)) {
        trace->SetVisible(visible);
        SyncLegend();
        InvalidatePlot();
    }
}

void OPlot::SetGridLines(bool on) {
    model_.gridLines = on;
    InvalidatePlot();
}

void OPlot::SetZoom(double factor) {
    if (model_.SetZoom(static_cast<float>(factor))) {
        UpdateScrollBars();
        InvalidatePlot();
    }
}

void OPlot::PreviousZoom() {
    model_.PreviousZoom();
    InvalidatePlot();
}

void OPlot::SetNavigation(bool on) {
    navigation_ = on;
    setFocusPolicy(on ? Qt::WheelFocus : Qt::NoFocus);
    LayoutLegend();
}

void OPlot::ViewChanged() {
    UpdateScrollBars();
    InvalidatePlot();
}

void OPlot::ZoomIn() {
    model_.ZoomAt({-1, -1}, kZoomStep);
    ViewChanged();
}

void OPlot::ZoomOut() {
    model_.ZoomAt({-1, -1}, 1.0 / kZoomStep);
    ViewChanged();
}

void OPlot::ResetZoom() {
    model_.ResetZoom();
    ViewChanged();
}

void OPlot::StepBack() {
    model_.StepBack();
    ViewChanged();
}

void OPlot::FreshView() {
    model_.FreshView();
    ViewChanged();
}

void OPlot::wheelEvent(QWheelEvent* event) {
    if (!navigation_) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    const int notches = event->angleDelta().y();
    if (notches != 0 && !IsBusy()) {
        const QPoint at = event->position().toPoint();
        model_.ZoomAt(ToPixelPoint(at), std::pow(kZoomStep, notches / 120.0));
        ViewChanged();
    }
    event->accept();
}

void OPlot::mouseDoubleClickEvent(QMouseEvent* event) {
    if (navigation_ && event->button() == Qt::LeftButton && !IsBusy()) {
        ResetZoom();
        event->accept();
        return;
    }
    QAbstractScrollArea::mouseDoubleClickEvent(event);
}

void OPlot::keyPressEvent(QKeyEvent* event) {
    if (navigation_ && !IsBusy()) {
        switch (event->key()) {
        case Qt::Key_Home:
            ResetZoom();
            return;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            ZoomIn();
            return;
        case Qt::Key_Minus:
            ZoomOut();
            return;
        case Qt::Key_Backspace:
            StepBack();
            return;
        default:
            break;
        }
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void OPlot::InvalidatePlot() {
    viewport()->update();
}

void OPlot::UpdateScrollBars() {
    const ScrollBarPositions bars = model_.ScrollBars();
    updatingBars_ = true;
    horizontalScrollBar()->setValue(bars.horizontal);
    verticalScrollBar()->setValue(bars.vertical);
    updatingBars_ = false;
}

void OPlot::OnScrollAction(bool horizontal, int action) {
    QScrollBar* bar = horizontal ? horizontalScrollBar() : verticalScrollBar();
    const ScrollAxis axis = horizontal ? ScrollAxis::Horizontal : ScrollAxis::Vertical;
    const bool moved = model_.Scroll(axis, RequestFor(action), bar->sliderPosition());
    // The bar shows where the window is, not where the slider would have gone by itself.
    const ScrollBarPositions bars = model_.ScrollBars();
    bar->setSliderPosition(horizontal ? bars.horizontal : bars.vertical);
    if (moved)
        InvalidatePlot();
}

void OPlot::scrollContentsBy(int /*dx*/, int /*dy*/) {
    // Scrolling moves the logical window; the next drawing shows it.
}

void OPlot::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    const QSize client = ClientSize();
    model_.LayoutPlotRect(client.width(), client.height(), false);
    model_.ApplyZoom();
    UpdateScrollBars();
    LayoutLegend();
}

bool OPlot::DrawStatic(QPainter& painter, QSize client) {
    model_.tickSpacing = 40;
    model_.fontHeight = 16;
    if (!model_.LayoutPlotRect(client.width(), client.height(), true))
        return false;
    if (model_.TraceCount() > 0) {
        const QtTextMeasure measure(painter.font());
        PlotPainter plotPainter(painter, model_);
        plotPainter.DrawTitles(model_.WidenMargins(measure, client.width(), client.height()));
        model_.ApplyZoom();
        UpdateScrollBars();
        plotPainter.DrawFrame();
    }
    DrawUnderlay(painter);
    AxisDrawing axes;
    const QtTextMeasure measure(painter.font());
    model_.LayoutAxes(measure, axes);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(ToQColor(kLightGrey));
    PlotPainter(painter, model_).DrawAxes(axes, measure);
    SyncLegend();
    return true;
}

void OPlot::DrawTraces(QPainter& painter, DirtyRects* dirty) {
    std::vector<int> all(static_cast<std::size_t>(model_.TraceCount()));
    for (int i = 0; i < model_.TraceCount(); ++i)
        all[static_cast<std::size_t>(i)] = i;
    DrawTraces(painter, dirty, all);
}

void OPlot::DrawTraces(QPainter& painter, DirtyRects* dirty, const std::vector<int>& indexes) {
    if (model_.View().xExtent <= 9 || model_.View().yExtent <= 9)
        return;
    painter.save();
    painter.setClipRect(ToQRect(model_.Rect()));
    PlotPainter plotPainter(painter, model_, dirty);
    for (int i : indexes)
        plotPainter.DrawTrace(i);
    painter.restore();
}

void OPlot::DrawPlot(QPainter& painter, QSize client) {
    if (DrawStatic(painter, client))
        DrawTraces(painter, nullptr);
}

void OPlot::DrawUnderlay(QPainter& /*painter*/) {}

void OPlot::DrawOverlays(QPainter& painter) {
    const PlotRect& rect = model_.Rect();
    painter.save();
    // Drawn over a clean copy of the plot at each paint, so no XOR is needed to take them away.
    painter.setPen(LinePen(Qt::black));
    painter.setBrush(Qt::NoBrush);
    if (model_.Mode() == MouseMode::ZoomBand) {
        painter.setPen(LinePen(Qt::black, Qt::DotLine));
        painter.drawRect(QRect(QPoint(model_.BandStart().x, model_.BandStart().y),
                               QPoint(model_.BandEnd().x, model_.BandEnd().y))
                             .normalized());
    }
    if (model_.Mode() == MouseMode::Readout) {
        painter.setClipRect(ToQRect(rect));
        const PixelPoint pick = model_.PickPoint();
        painter.drawLine(rect.left, pick.y, rect.right, pick.y);
        painter.drawLine(pick.x, rect.top, pick.x, rect.bottom);
        if (model_.HasBase()) {
            const PixelPoint base = model_.BasePoint();
            const LogicalPoint at = ToLogical(model_.View(), rect, base);
            const SymbolShape circle =
                MakeSymbol(kSymbolCircle, at, model_.View().xStep, model_.View().yStep, 1.0f);
            const PixelPoint low = ToPixel(model_.View(), rect, circle.low);
            const PixelPoint high = ToPixel(model_.View(), rect, circle.high);
            painter.drawEllipse(QRect(QPoint(low.x, low.y), QPoint(high.x, high.y)).normalized());
        }
    }
    painter.restore();
}

void OPlot::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), ToQColor(kLightGrey));
    DrawPlot(painter, ClientSize());
    DrawOverlays(painter);
}

void OPlot::ShowStatus(const std::string& text) {
    if (statusText_)
        statusText_(QString::fromStdString(text));
}

void OPlot::LeftDown(QPoint point) {
    if (model_.Mode() == MouseMode::Readout) {
        model_.SetReadoutBase(ToPixelPoint(point));
        viewport()->update();
        return;
    }
    if (model_.Mode() == MouseMode::Idle) {
        model_.BeginZoomBand(ToPixelPoint(point));
        viewport()->update();
    }
}

void OPlot::LeftUp(QPoint point) {
    if (model_.Mode() != MouseMode::ZoomBand)
        return;
    const ZoomBandOutcome outcome = model_.EndZoomBand(ToPixelPoint(point));
    if (outcome == ZoomBandOutcome::OutOfSpace && beep_)
        beep_();
    UpdateScrollBars();
    InvalidatePlot();
}

void OPlot::MouseMoved(QPoint point) {
    if (model_.Mode() == MouseMode::ZoomBand) {
        model_.TrackZoomBand(ToPixelPoint(point));
        viewport()->update();
    } else if (model_.Mode() == MouseMode::Readout) {
        ShowStatus(model_.MoveReadout(ToPixelPoint(point)));
        viewport()->update();
    }
}

void OPlot::mousePressEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        LeftDown(point);
    } else if (event->button() == Qt::RightButton && !IsBusy()) {
        ShowStatus(model_.BeginReadout(ToPixelPoint(point)));
        viewport()->update();
    }
}

void OPlot::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        LeftUp(point);
    } else if (event->button() == Qt::RightButton && model_.Mode() == MouseMode::Readout) {
        model_.EndReadout();
        ShowStatus(std::string());
        viewport()->update();
    }
}

void OPlot::mouseMoveEvent(QMouseEvent* event) {
    MouseMoved(event->position().toPoint());
}

} // namespace veltrane
