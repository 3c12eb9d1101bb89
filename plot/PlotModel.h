#pragma once

#include "plot/AxisLayout.h"
#include "plot/PlotMapping.h"
#include "plot/PlotTrace.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace veltrane {

enum class MouseMode {
    Idle = 0,
    ZoomBand = 1,
    Readout = 2
};

struct NearestResult {
    LogicalPoint point;
    int index = 0;
};

struct AxisTitle {
    std::string text;
    PixelPoint anchor;
    int escapement = 0; // tenths of a degree, counter-clockwise
};

// The plot engine without a window: traces, the zoomed view, the plot rectangle, the axes'
// arithmetic and the state of the zoom rectangle and the value read-out.
class PlotModel {
public:
    PlotModel() = default;
    PlotModel(const PlotModel&) = delete;
    PlotModel& operator=(const PlotModel&) = delete;

    // Takes the trace; -1 (and the trace is dropped) when 16 are attached.
    int AddTrace(std::unique_ptr<PlotTrace> trace);
    int TraceCount() const { return static_cast<int>(traces_.size()); }
    PlotTrace* Trace(int index);
    const PlotTrace* Trace(int index) const;
    void SelectAxisTraces();
    const PlotTrace* Primary() const { return Trace(primary_); }
    const PlotTrace* Secondary() const { return Trace(secondary_); }

    // The plot rectangle for a view of this size; false when the view is too small or there is
    // nothing to draw. top is 0 after a size change and 10 when drawing.
    bool LayoutPlotRect(int width, int height, bool forDrawing);
    // Titles and the room their labels take; run after LayoutPlotRect when drawing.
    std::vector<AxisTitle> WidenMargins(const TextMeasure& measure, int width, int height);
    // Chooses the tick steps (and with them the line steps) and lays out the axes.
    void LayoutAxes(const TextMeasure& measure, AxisDrawing& out);
    // Pixel polylines of a trace, clipped to its visible band as the plot draws it.
    std::vector<std::vector<PixelPoint>> TraceRuns(int traceIndex) const;

    const PlotRect& Rect() const { return rect_; }
    const ViewState& View() const { return view_; }
    ViewState& View() { return view_; }
    void ApplyZoom() { veltrane::ApplyZoom(view_); }
    ScrollBarPositions ScrollBars() const { return ScrollBarsFor(view_); }
    // False when the request is ignored.
    bool SetZoom(float factor);
    void PreviousZoom();
    void SavePreviousView() { previousView_ = view_; }
    bool Scroll(ScrollAxis axis, ScrollRequest request, int thumbPosition);

    // Navigation: every zoom keeps the view before it, so StepBack walks back through them.
    // Zooms by factor about a pixel of the plot rectangle (its centre when outside).
    void ZoomAt(PixelPoint pixel, double factor);
    // The whole data range; false (nothing kept) when the view shows it already.
    bool ResetZoom();
    // The view before the last zoom; false when there is none.
    bool StepBack();
    // Forgets the zooms and shows the whole data range, as for a new file.
    void FreshView();

    NearestResult NearestPoint(int traceIndex, int lx) const;

    // Zoom rectangle.
    MouseMode Mode() const { return mouseMode_; }
    void BeginZoomBand(PixelPoint point);
    void TrackZoomBand(PixelPoint point) { bandEnd_ = point; }
    ZoomBandOutcome EndZoomBand(PixelPoint point);
    PixelPoint BandStart() const { return bandStart_; }
    PixelPoint BandEnd() const { return bandEnd_; }

    // Value read-out; each returns the text for the status bar's message pane.
    std::string BeginReadout(PixelPoint click);
    std::string MoveReadout(PixelPoint mouse);
    void SetReadoutBase(PixelPoint mouse);
    void EndReadout();
    PixelPoint PickPoint() const { return pickPoint_; }
    PixelPoint BasePoint() const { return basePoint_; }
    bool HasBase() const { return basePoint_.x != 0 || basePoint_.y != 0; }

    bool gridLines = false;
    bool lineStyles = false;
    bool legendShown = true;
    bool snapToData = true;
    bool signedXLabels = true;
    bool signedYLabels = true;
    int tickSpacing = 40;
    int fontHeight = 16;

private:
    std::string ReadoutText() const;
    PixelPoint SnappedPoint(PixelPoint mouse, int* index) const;

    void KeepView(const ViewState& view);

    std::vector<std::unique_ptr<PlotTrace>> traces_;
    ViewState view_;
    ViewState previousView_;
    std::vector<ViewState> history_;
    PlotRect rect_;
    int primary_ = -1;
    int secondary_ = -1;
    MouseMode mouseMode_ = MouseMode::Idle;
    PixelPoint bandStart_;
    PixelPoint bandEnd_;
    PixelPoint pickPoint_;
    int pickIndex_ = 0;
    int pickTrace_ = -1;
    PixelPoint basePoint_;
};

} // namespace veltrane
