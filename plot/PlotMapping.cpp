#include "plot/PlotMapping.h"

#include "plot/PlotTrace.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace veltrane {

namespace {

int ToLogical(double value, double low, double span) {
    double r = span > 0.0 ? (value - low) / span : 0.0;
    if (!(r > 0.0)) // also catches NaN
        r = 0.0;
    if (r > 1.0)
        r = 1.0;
    return static_cast<int>(std::floor(kLogicalRange * r + 0.5));
}

int RoundToInt(double value) {
    return static_cast<int>(std::floor(value + 0.5));
}

void HoldScroll(int& scroll, int extent) {
    if (scroll + extent > kScrollLimit)
        scroll = kScrollLimit - extent;
}

} // namespace

int ToLogicalX(const PlotTrace& trace, double x) {
    return ToLogical(x, trace.xMin, trace.xSpan);
}
int ToLogicalY(const PlotTrace& trace, double y) {
    return ToLogical(y, trace.yMin, trace.ySpan);
}

double ToWorldX(const PlotTrace& trace, double lx) {
    return lx / kLogicalRange * static_cast<double>(trace.xSpan) + trace.xMin;
}
double ToWorldY(const PlotTrace& trace, double ly) {
    return ly / kLogicalRange * static_cast<double>(trace.ySpan) + trace.yMin;
}

int PixelX(const ViewState& view, const PlotRect& rect, double lx) {
    if (view.xExtent == 0)
        return rect.left;
    return rect.left + RoundToInt((lx - view.xScroll) * rect.Width() / view.xExtent);
}

int PixelY(const ViewState& view, const PlotRect& rect, double ly) {
    if (view.yExtent == 0)
        return rect.bottom;
    return rect.bottom - RoundToInt((ly - view.yScroll) * rect.Height() / view.yExtent);
}

PixelPoint ToPixel(const ViewState& view, const PlotRect& rect, LogicalPoint point) {
    return {PixelX(view, rect, point.x), PixelY(view, rect, point.y)};
}

int LogicalXOfPixel(const ViewState& view, const PlotRect& rect, int px) {
    if (rect.Width() == 0)
        return view.xScroll;
    return view.xScroll + RoundToInt(static_cast<double>(px - rect.left) * view.xExtent / rect.Width());
}

int LogicalYOfPixel(const ViewState& view, const PlotRect& rect, int py) {
    if (rect.Height() == 0)
        return view.yScroll;
    return view.yScroll + RoundToInt(static_cast<double>(rect.bottom - py) * view.yExtent / rect.Height());
}

LogicalPoint ToLogical(const ViewState& view, const PlotRect& rect, PixelPoint point) {
    return {LogicalXOfPixel(view, rect, point.x), LogicalYOfPixel(view, rect, point.y)};
}

void ApplyZoom(ViewState& view) {
    view.xFactor = std::max(view.xFactor, 1.0f);
    view.yFactor = std::max(view.yFactor, 1.0f);
    view.yExtent = static_cast<int>(kLogicalRange / view.yFactor);
    view.xExtent = static_cast<int>(kLogicalRange / view.xFactor);
    HoldScroll(view.xScroll, view.xExtent);
    HoldScroll(view.yScroll, view.yExtent);
    view.xExtent = std::max(view.xExtent, 100);
    view.yExtent = std::max(view.yExtent, 100);
    view.xScroll = std::max(view.xScroll, 0);
    view.yScroll = std::max(view.yScroll, 0);
}

void ZoomAbout(ViewState& view, double factor, LogicalPoint about) {
    if (!(factor > 0.0))
        return;
    const double most = static_cast<double>(kLogicalRange) / kMinZoomExtent;
    const auto axis = [factor, most](float& zoom, int& scroll, int extent, int at) {
        const double zoomed = std::clamp(zoom * factor, 1.0, most);
        const double share = extent > 0 ? static_cast<double>(at - scroll) / extent : 0.5;
        scroll = static_cast<int>(std::lround(at - share * (kLogicalRange / zoomed)));
        zoom = static_cast<float>(zoomed);
    };
    axis(view.xFactor, view.xScroll, view.xExtent, about.x);
    axis(view.yFactor, view.yScroll, view.yExtent, about.y);
    ApplyZoom(view);
}

void ResetView(ViewState& view) {
    view.xFactor = view.yFactor = 1.0f;
    view.xScroll = view.yScroll = 0;
    ApplyZoom(view);
}

ScrollBarPositions ScrollBarsFor(const ViewState& view) {
    ScrollBarPositions bars;
    const double xRoom = static_cast<double>(kLogicalRange) - view.xExtent;
    const double yRoom = static_cast<double>(kLogicalRange) - view.yExtent;
    bars.horizontal = xRoom < 10 ? 0 : static_cast<int>(std::floor(view.xScroll / xRoom * kScrollBarMax));
    bars.vertical = yRoom < 10
                        ? kScrollBarMax
                        : kScrollBarMax - static_cast<int>(std::floor(view.yScroll / yRoom * kScrollBarMax));
    return bars;
}

bool ApplyScrollRequest(ViewState& view, ScrollAxis axis, ScrollRequest request, int thumbPosition) {
    const bool horizontal = axis == ScrollAxis::Horizontal;
    const int extent = horizontal ? view.xExtent : view.yExtent;
    if (extent > kLogicalRange - 10)
        return false;
    int& scroll = horizontal ? view.xScroll : view.yScroll;
    const int step = horizontal ? view.xStep : view.yStep;
    // The vertical bar's top is the top of the data, so its "up" raises the window.
    const int sign = horizontal ? 1 : -1;
    const double room = static_cast<double>(kLogicalRange) - extent;
    switch (request) {
    case ScrollRequest::LineUp:
        scroll -= sign * step;
        break;
    case ScrollRequest::LineDown:
        scroll += sign * step;
        break;
    case ScrollRequest::PageUp:
        scroll -= sign * 10 * step;
        break;
    case ScrollRequest::PageDown:
        scroll += sign * 10 * step;
        break;
    case ScrollRequest::Thumb:
        scroll = horizontal ? static_cast<int>(std::floor(thumbPosition * 0.001 * room))
                            : static_cast<int>(std::floor((kScrollBarMax - thumbPosition) * 0.001 * room));
        break;
    case ScrollRequest::Other:
        return false;
    }
    scroll = std::clamp(scroll, 0, std::max(0, kScrollLimit - extent));
    return true;
}

ZoomBandOutcome ZoomToBand(ViewState& view, ViewState& previous, const PlotRect& rect, PixelPoint corner1,
                           PixelPoint corner2) {
    const int left = std::min(corner1.x, corner2.x);
    const int right = std::max(corner1.x, corner2.x);
    const int top = std::min(corner1.y, corner2.y);
    const int bottom = std::max(corner1.y, corner2.y);
    if (right - left < 6 || bottom - top < 6)
        return ZoomBandOutcome::TooSmall;

    previous = view;
    const LogicalPoint low = ToLogical(view, rect, {left, bottom});
    const LogicalPoint high = ToLogical(view, rect, {right, top});
    ViewState zoomed = view;
    zoomed.xScroll = low.x;
    zoomed.yScroll = low.y;
    zoomed.xExtent = high.x - low.x;
    zoomed.yExtent = high.y - low.y;
    if (zoomed.xExtent < kMinZoomExtent) {
        zoomed.xScroll = low.x - (kMinZoomExtent - zoomed.xExtent) / 2;
        zoomed.xExtent = kMinZoomExtent;
    }
    if (zoomed.yExtent < kMinZoomExtent) {
        zoomed.yScroll = low.y - (kMinZoomExtent - zoomed.yExtent) / 2;
        zoomed.yExtent = kMinZoomExtent;
    }
    zoomed.xFactor = static_cast<float>(kLogicalRange) / static_cast<float>(zoomed.xExtent);
    zoomed.yFactor = static_cast<float>(kLogicalRange) / static_cast<float>(zoomed.yExtent);
    const bool outside = zoomed.xScroll < -kLogicalRange || zoomed.yScroll < -kLogicalRange ||
                         zoomed.xScroll + zoomed.xExtent > kLogicalRange ||
                         zoomed.yScroll + zoomed.yExtent > kLogicalRange;
    if (outside) {
        view = previous;
        ApplyZoom(view);
        return ZoomBandOutcome::OutOfSpace;
    }
    view = zoomed;
    ApplyZoom(view);
    return ZoomBandOutcome::Zoomed;
}

} // namespace veltrane
