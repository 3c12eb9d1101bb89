#include "plot/PlotModel.h"

#include "plot/PlotReadout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace veltrane {

int PlotModel::AddTrace(std::unique_ptr<PlotTrace> trace) {
    if (!trace || TraceCount() >= kMaxTraces)
        return -1;
    const int index = TraceCount();
    trace->colour = kColourTable[static_cast<std::size_t>(index)].colour;
    trace->colour2 = kColourTable[static_cast<std::size_t>(index)].colour2;
    trace->assignedStyle = StyleForIndex(index);
    if (index < 12)
        trace->symbol = index;
    traces_.push_back(std::move(trace));
    SelectAxisTraces();
    return index;
}

PlotTrace* PlotModel::Trace(int index) {
    return index >= 0 && index < TraceCount() ? traces_[static_cast<std::size_t>(index)].get() : nullptr;
}

const PlotTrace* PlotModel::Trace(int index) const {
    return index >= 0 && index < TraceCount() ? traces_[static_cast<std::size_t>(index)].get() : nullptr;
}

void PlotModel::SelectAxisTraces() {
    const auto visible = [&](int index) { return Trace(index) != nullptr && Trace(index)->IsVisible(); };
    if (!visible(primary_))
        primary_ = -1;
    if (!visible(secondary_))
        secondary_ = -1;
    if (primary_ < 0 && secondary_ >= 0) {
        primary_ = secondary_;
        secondary_ = -1;
    }
    for (int i = 0; i < TraceCount(); ++i) {
        if (!visible(i))
            continue;
        if (primary_ < 0)
            primary_ = i;
        else if (secondary_ < 0 && i != primary_ && Trace(i)->yTitle != Trace(primary_)->yTitle)
            secondary_ = i;
    }
    if (primary_ < 0 && TraceCount() > 0)
        primary_ = 0;
}

bool PlotModel::LayoutPlotRect(int width, int height, bool forDrawing) {
    const PlotTrace* primary = Primary();
    const PlotTrace* secondary = Secondary();
    rect_.left = 20 + (primary != nullptr && !primary->yTitle.empty() ? 20 : 0);
    rect_.bottom = height - 25 - (primary != nullptr && !primary->xTitle.empty() ? 20 : 0);
    rect_.right = width - (secondary != nullptr && !secondary->yTitle.empty() ? 25 : 0);
    rect_.top = forDrawing ? 10 : 0;
    return width >= 70 && height >= 35 && primary != nullptr;
}

std::vector<AxisTitle> PlotModel::WidenMargins(const TextMeasure& measure, int width, int height) {
    std::vector<AxisTitle> titles;
    const PlotTrace* primary = Primary();
    if (primary == nullptr)
        return titles;
    const int charWidth = measure.Width("X");
    const int charHeight = measure.Height();
    titles.push_back({primary->yTitle, {charWidth, height / 2}, 900});
    titles.push_back({primary->xTitle, {width / 2, rect_.bottom + static_cast<int>(1.75 * charHeight)}, 0});
    rect_.left += measure.Width(WidestYLabel(*primary, view_.yFactor));
    if (const PlotTrace* secondary = Secondary()) {
        const int anchorX = width - static_cast<int>(0.1 * charWidth);
        rect_.right -= static_cast<int>(2.5 * charWidth);
        rect_.right -=
            static_cast<int>(1.25 * measure.Width(WidestSecondaryLabel(*secondary, view_.yFactor)));
        if (rect_.right < rect_.left)
            rect_.right = rect_.left + 10;
        titles.push_back({secondary->yTitle, {anchorX, height / 2}, 2700});
    }
    return titles;
}

void PlotModel::LayoutAxes(const TextMeasure& measure, AxisDrawing& out) {
    const PlotTrace* primary = Primary();
    if (primary == nullptr || view_.xExtent <= 9 || view_.yExtent <= 9)
        return;
    AxisContext context{view_, rect_, gridLines, signedXLabels, signedYLabels, &measure};
    const TickStep xTicks = ChooseTickStep(rect_.Width(), primary->xSpan / view_.xFactor, rect_.Height(),
                                           view_.yExtent, tickSpacing);
    view_.yStep = xTicks.lineStep;
    context.view = view_;
    LayoutXAxis(*primary, context, view_.yStep, xTicks.step, out);

    const auto yAxis = [&](const PlotTrace& trace, bool rightSide) {
        const TickStep yTicks = ChooseTickStep(rect_.Height(), trace.ySpan / view_.yFactor, rect_.Width(),
                                               view_.xExtent, tickSpacing);
        view_.xStep = yTicks.lineStep;
        context.view = view_;
        LayoutYAxis(trace, context, view_.xStep, yTicks.step, rightSide, out);
    };
    if (const PlotTrace* secondary = Secondary())
        yAxis(*secondary, true);
    if (primary->ySpan / view_.yFactor > 1e-6)
        yAxis(*primary, false);
}

std::vector<std::vector<PixelPoint>> PlotModel::TraceRuns(int traceIndex) const {
    std::vector<std::vector<PixelPoint>> runs;
    const PlotTrace* trace = Trace(traceIndex);
    if (trace == nullptr || trace->count <= 0 || !trace->IsVisible() || trace->xSpan < 0.001f ||
        trace->ySpan < 0.001f)
        return runs;
    const int bandLow = view_.xScroll;
    const int bandHigh = view_.xScroll + ToLogicalX(*trace, trace->xSpan / view_.xFactor);
    int clipLow = 0;
    int clipHigh = kLogicalRange;
    if (trace->clipToView) {
        const int e = ToLogicalY(*trace, trace->ySpan / view_.yFactor);
        clipLow = view_.yScroll + e / 75;
        clipHigh = view_.yScroll + e - e / 75;
    }
    const auto logicalAt = [&](int i) {
        LogicalPoint p{ToLogicalX(*trace, trace->XAt(i)), ToLogicalY(*trace, trace->YAt(i))};
        if (trace->clipToView)
            p.y = std::clamp(p.y, clipLow, std::max(clipLow, clipHigh));
        return p;
    };
    bool drawing = false;
    bool previousInside = false;
    LogicalPoint previous;
    for (int i = 0; i < trace->count; ++i) {
        // A point that is not a number is a gap in the line.
        if (!std::isfinite(trace->XAt(i)) || !std::isfinite(trace->YAt(i))) {
            drawing = false;
            previousInside = false;
            continue;
        }
        const LogicalPoint point = logicalAt(i);
        const bool inside = point.x >= bandLow && point.x <= bandHigh;
        if (inside || previousInside) {
            if (!drawing) {
                runs.emplace_back();
                runs.back().reserve(static_cast<std::size_t>(trace->count - i + 1));
                if (i > 0 && std::isfinite(trace->XAt(i - 1)) && std::isfinite(trace->YAt(i - 1)))
                    runs.back().push_back(ToPixel(view_, rect_, previous));
                drawing = true;
            }
            runs.back().push_back(ToPixel(view_, rect_, point));
        } else {
            drawing = false;
        }
        previousInside = inside;
        previous = point;
    }
    return runs;
}

bool PlotModel::SetZoom(float factor) {
    if (std::fabs(factor + 1.0f) < 1e-6f)
        return false;
    previousView_ = view_;
    view_.xFactor = factor;
    view_.yFactor = factor;
    ApplyZoom();
    return true;
}

void PlotModel::PreviousZoom() {
    std::swap(view_, previousView_);
}

void PlotModel::KeepView(const ViewState& view) {
    constexpr std::size_t kMostKept = 100;
    if (history_.size() == kMostKept)
        history_.erase(history_.begin());
    history_.push_back(view);
}

void PlotModel::ZoomAt(PixelPoint pixel, double factor) {
    if (!rect_.Contains(pixel.x, pixel.y))
        pixel = {(rect_.left + rect_.right) / 2, (rect_.top + rect_.bottom) / 2};
    const ViewState before = view_;
    ZoomAbout(view_, factor, ToLogical(view_, rect_, pixel));
    if (!(view_ == before))
        KeepView(before);
}

bool PlotModel::ResetZoom() {
    ViewState whole = view_;
    ResetView(whole);
    if (whole == view_)
        return false;
    KeepView(view_);
    view_ = whole;
    return true;
}

bool PlotModel::StepBack() {
    if (history_.empty())
        return false;
    view_ = history_.back();
    history_.pop_back();
    ApplyZoom();
    return true;
}

void PlotModel::FreshView() {
    history_.clear();
    ResetView(view_);
    previousView_ = view_;
}

bool PlotModel::Scroll(ScrollAxis axis, ScrollRequest request, int thumbPosition) {
    return ApplyScrollRequest(view_, axis, request, thumbPosition);
}

NearestResult PlotModel::NearestPoint(int traceIndex, int lx) const {
    const NearestResult nowhere{{2 * kScrollLimit, 2 * kScrollLimit}, 0};
    const PlotTrace* trace = Trace(traceIndex);
    if (trace == nullptr || !trace->IsVisible() || trace->count <= 0)
        return nowhere;
    const double worldX = ToWorldX(*trace, lx);
    int index = 0;
    if (trace->hasX) {
        double best = trace->xMax;
        for (int i = 0; i < trace->count; ++i) {
            const double distance = std::fabs(trace->XAt(i) - worldX);
            if (distance < best) {
                best = distance;
                index = i;
            }
        }
    } else {
        if (!(worldX >= 0.0) || worldX >= trace->count)
            return nowhere;
        index = static_cast<int>(worldX);
    }
    return {{ToLogicalX(*trace, trace->XAt(index)), ToLogicalY(*trace, trace->YAt(index))}, index};
}

void PlotModel::BeginZoomBand(PixelPoint point) {
    bandStart_ = point;
    bandEnd_ = point;
    mouseMode_ = MouseMode::ZoomBand;
}

ZoomBandOutcome PlotModel::EndZoomBand(PixelPoint point) {
    bandEnd_ = point;
    mouseMode_ = MouseMode::Idle;
    const ZoomBandOutcome outcome = ZoomToBand(view_, previousView_, rect_, bandStart_, bandEnd_);
    if (outcome == ZoomBandOutcome::Zoomed)
        KeepView(previousView_);
    bandStart_ = bandEnd_ = {};
    return outcome;
}

PixelPoint PlotModel::SnappedPoint(PixelPoint mouse, int* index) const {
    if (!snapToData || pickTrace_ < 0)
        return mouse;
    const NearestResult nearest = NearestPoint(pickTrace_, LogicalXOfPixel(view_, rect_, mouse.x));
    *index = nearest.index;
    return ToPixel(view_, rect_, nearest.point);
}

std::string PlotModel::BeginReadout(PixelPoint click) {
    basePoint_ = {};
    mouseMode_ = MouseMode::Readout;
    const LogicalPoint logical = ToLogical(view_, rect_, click);
    pickTrace_ = -1;
    pickIndex_ = 0;
    double best = 2.0 * kScrollLimit;
    LogicalPoint picked;
    for (int i = 0; i < TraceCount(); ++i) {
        const NearestResult nearest = NearestPoint(i, logical.x);
        if (!Trace(i)->IsVisible() || !Trace(i)->readout)
            continue;
        const double distance = std::abs(static_cast<double>(nearest.point.y) - logical.y);
        if (distance < best) {
            best = distance;
            pickTrace_ = i;
            pickIndex_ = nearest.index;
            picked = nearest.point;
        }
    }
    pickPoint_ = pickTrace_ >= 0 ? ToPixel(view_, rect_, picked) : click;
    return ReadoutText();
}

std::string PlotModel::MoveReadout(PixelPoint mouse) {
    if (mouseMode_ != MouseMode::Readout)
        return {};
    pickPoint_ = SnappedPoint(mouse, &pickIndex_);
    return ReadoutText();
}

void PlotModel::SetReadoutBase(PixelPoint mouse) {
    if (mouseMode_ != MouseMode::Readout)
        return;
    basePoint_ = snapToData ? pickPoint_ : mouse;
}

void PlotModel::EndReadout() {
    mouseMode_ = MouseMode::Idle;
    pickTrace_ = -1;
    basePoint_ = {};
}

std::string PlotModel::ReadoutText() const {
    const PlotTrace* trace = Trace(pickTrace_);
    if (trace == nullptr)
        return {};
    const auto world = [&](PixelPoint p, double& x, double& y) {
        const LogicalPoint logical = ToLogical(view_, rect_, p);
        x = ToWorldX(*trace, logical.x);
        y = ToWorldY(*trace, logical.y);
    };
    if (HasBase()) {
        double bx = 0, by = 0, px = 0, py = 0;
        world(basePoint_, bx, by);
        world(pickPoint_, px, py);
        return FormatBaseReadout(*trace, bx, by, px, py);
    }
    if (snapToData)
        return FormatPointReadout(*trace, pickIndex_);
    double px = 0, py = 0;
    world(pickPoint_, px, py);
    return FormatPositionReadout(*trace, px, py);
}

} // namespace veltrane
