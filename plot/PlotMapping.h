#pragma once

#include "plot/PlotConstants.h"

namespace veltrane {

class PlotTrace;

// The zoomed window of the logical space. Scroll positions are the logical coordinates of
// the plot's bottom left corner; y grows upward.
struct ViewState {
    float xFactor = 1.0f;
    int xScroll = 0;
    int xStep = 0;
    int xExtent = kLogicalRange;
    float yFactor = 1.0f;
    int yScroll = 0;
    int yStep = 0;
    int yExtent = kLogicalRange;

    bool operator==(const ViewState&) const = default;
};

struct PlotRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const PlotRect&) const = default;
};

struct PixelPoint {
    int x = 0;
    int y = 0;
    bool operator==(const PixelPoint&) const = default;
};

struct LogicalPoint {
    int x = 0;
    int y = 0;
    bool operator==(const LogicalPoint&) const = default;
};

// Data value -> logical coordinate of a trace, held on the border of the logical space.
int ToLogicalX(const PlotTrace& trace, double x);
int ToLogicalY(const PlotTrace& trace, double y);
// Logical coordinate -> data value (not held).
double ToWorldX(const PlotTrace& trace, double lx);
double ToWorldY(const PlotTrace& trace, double ly);

// Logical <-> pixel through the view and the plot rectangle.
int PixelX(const ViewState& view, const PlotRect& rect, double lx);
int PixelY(const ViewState& view, const PlotRect& rect, double ly);
PixelPoint ToPixel(const ViewState& view, const PlotRect& rect, LogicalPoint point);
int LogicalXOfPixel(const ViewState& view, const PlotRect& rect, int px);
int LogicalYOfPixel(const ViewState& view, const PlotRect& rect, int py);
LogicalPoint ToLogical(const ViewState& view, const PlotRect& rect, PixelPoint point);

// Factors at least 1, extents from the factors, window kept inside the scroll limit.
void ApplyZoom(ViewState& view);

// Multiplies both zoom factors (above 1 zooms in, below 1 out) so that the logical point `about`
// stays where it is in the plot rectangle; factors are held between 1 and the smallest window.
void ZoomAbout(ViewState& view, double factor, LogicalPoint about);
// The whole logical space, no zoom.
void ResetView(ViewState& view);

struct ScrollBarPositions {
    int horizontal = 0;
    int vertical = 1000;
    bool operator==(const ScrollBarPositions&) const = default;
};
constexpr int kScrollBarMax = 1000;
ScrollBarPositions ScrollBarsFor(const ViewState& view);

enum class ScrollAxis {
    Horizontal,
    Vertical
};
enum class ScrollRequest {
    LineUp,
    LineDown,
    PageUp,
    PageDown,
    Thumb,
    Other
};
// Moves the window for one scroll-bar request; false when the request is ignored.
bool ApplyScrollRequest(ViewState& view, ScrollAxis axis, ScrollRequest request, int thumbPosition);

enum class ZoomBandOutcome {
    TooSmall,   // under 6 pixels wide or high: nothing changes
    Zoomed,     // the view shows the rectangle; the old view is kept as the previous one
    OutOfSpace, // the window would leave the logical space: beep, view unchanged
};
ZoomBandOutcome ZoomToBand(ViewState& view, ViewState& previous, const PlotRect& rect, PixelPoint corner1,
                           PixelPoint corner2);

} // namespace veltrane
