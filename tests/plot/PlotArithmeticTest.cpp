#include "plot/AxisLayout.h"
#include "plot/OFloatArray.h"
#include "plot/PlotModel.h"
#include "plot/PlotReadout.h"
#include "plot/PlotSymbol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

using namespace veltrane;

namespace {

// Six pixels a character, sixteen high.
class FixedMeasure : public TextMeasure {
public:
    int Width(const std::string& text) const override { return 6 * static_cast<int>(text.size()); }
    int Height() const override { return 16; }
};

std::unique_ptr<PlotTrace> MakeTrace(float xMax, float yMax, int count = 0) {
    auto trace = std::make_unique<PlotTrace>(0, 0);
    trace->SetRange(0.0f, 0.0f, xMax, yMax);
    trace->count = count;
    return trace;
}

PlotRect Rect(int width, int height) {
    return {50, 10, 50 + width, 10 + height};
}

} // namespace

TEST(TickStep, PicksLargestRoundStepThatBeatsTheSlots) {
    // 400 pixels at spacing 40 give 10 slots; 25 / 2 = 12.5 intervals.
    EXPECT_DOUBLE_EQ(ChooseTickStep(400, 25.0, 300, kLogicalRange, 40).step, 2.0);
    // Magnitudes are searched whole: 0.2 (of 0.1) comes before 0.25 (of 0.01).
    EXPECT_DOUBLE_EQ(ChooseTickStep(400, 3.0, 300, kLogicalRange, 40).step, 0.2);
    EXPECT_DOUBLE_EQ(ChooseTickStep(430, 70000.0, 600, kLogicalRange, 40).step, 5000.0);
    // The line step is the logical size of 10 pixels on the other axis.
    EXPECT_EQ(ChooseTickStep(400, 25.0, 320, 1600000, 40).lineStep, 50000);
    // Nothing qualifies: the smallest step stands.
    EXPECT_NEAR(ChooseTickStep(400, 1e-9, 300, kLogicalRange, 40).step, 1e-7, 1e-12);
}

TEST(Labels, FormatsPrecisionAndSign) {
    EXPECT_EQ(YFormatFor(0.05), YFormat::Plain);
    EXPECT_EQ(YFormatFor(0.02), YFormat::Milli);
    EXPECT_EQ(YFormatFor(0.0004), YFormat::Micro);
    const LabelPrecision milli = ChooseLabelPrecision(0.005, 0, YFormat::Milli);
    EXPECT_EQ(milli.precision, 0);
    EXPECT_EQ(FormatAxisLabel(0.015, milli.precision, YFormat::Milli, true), "15e-3");
    EXPECT_EQ(FormatAxisLabel(0.0000025, 1, YFormat::Micro, true), "2.5e-6");
    EXPECT_EQ(FormatAxisLabel(-2.5, 1, YFormat::Plain, true), "-2.5");
    EXPECT_EQ(FormatAxisLabel(-2.5, 1, YFormat::Plain, false), "2.5");

    const LabelPrecision quarter = ChooseLabelPrecision(0.25, 0);
    EXPECT_EQ(quarter.precision, 1);
    EXPECT_NEAR(quarter.unit, 0.1, 1e-12);
    // 0.25 and 0.75 round half up to 0.3 and 0.8, 0.05 away: no label.
    EXPECT_FALSE(IsOnLabelUnit(0.25, quarter.unit));
    EXPECT_FALSE(IsOnLabelUnit(0.75, quarter.unit));
    EXPECT_TRUE(IsOnLabelUnit(0.5, quarter.unit));
    EXPECT_TRUE(IsOnLabelUnit(-1.0, quarter.unit));
}

TEST(Labels, QuarterStepsAreLabelledOnlyAtHalvesAndTheLowTickNever) {
    const auto trace = MakeTrace(3.0f, 100.0f);
    const FixedMeasure measure;
    AxisContext context{ViewState{}, Rect(400, 300), false, true, true, &measure};
    AxisDrawing axes;
    LayoutXAxis(*trace, context, 100, 0.25, axes);
    ASSERT_FALSE(axes.labels.empty());
    for (const AxisLabel& label : axes.labels) {
        const double value = std::stod(label.text);
        EXPECT_NE(label.text, "0.0");
        EXPECT_NEAR(std::fmod(value, 0.5), 0.0, 1e-9) << label.text;
    }
    // 11 ticks strictly inside 0..3 get a mark.
    EXPECT_EQ(axes.lines.size(), 11u);

    AxisDrawing yAxis;
    LayoutYAxis(*trace, context, 100, 10.0, false, yAxis);
    ASSERT_FALSE(yAxis.labels.empty());
    EXPECT_NE(yAxis.labels.front().text, "0");
    EXPECT_EQ(yAxis.labels.front().anchor, TextAnchor::Right);
}

TEST(Labels, GridLinesOnlyForLabelledTicks) {
    const auto trace = MakeTrace(25.0f, 70000.0f);
    const FixedMeasure measure;
    AxisContext context{ViewState{}, Rect(400, 300), true, true, true, &measure};
    AxisDrawing axes;
    LayoutXAxis(*trace, context, 100, 2.0, axes);
    const auto dotted =
        std::count_if(axes.lines.begin(), axes.lines.end(), [](const AxisLine& l) { return l.dotted; });
    EXPECT_EQ(static_cast<std::size_t>(dotted), axes.labels.size());
    EXPECT_GT(dotted, 0);
}

TEST(Mapping, TraceValuesAreHeldOnTheBorder) {
    const auto trace = MakeTrace(25.0f, 70000.0f);
    EXPECT_EQ(ToLogicalY(*trace, 140000.0), kLogicalRange);
    EXPECT_EQ(ToLogicalY(*trace, -5.0), 0);
    EXPECT_EQ(ToLogicalX(*trace, 12.5), kLogicalRange / 2);
    EXPECT_DOUBLE_EQ(ToWorldX(*trace, kLogicalRange * 2.0), 50.0);
    PlotTrace flat(0, 0); // no span: no division by zero
    EXPECT_EQ(ToLogicalX(flat, 3.0), 0);
}

TEST(Zoom, ApplyZoomHoldsFactorsAndWindow) {
    ViewState view;
    view.xFactor = 0.5f;
    view.yFactor = 2.0f;
    view.yScroll = 1500000;
    ApplyZoom(view);
    EXPECT_FLOAT_EQ(view.xFactor, 1.0f);
    EXPECT_EQ(view.yExtent, 800000);
    EXPECT_EQ(view.yScroll, 800000);
    EXPECT_EQ(ScrollBarsFor(ViewState{}), (ScrollBarPositions{0, 1000}));
    EXPECT_EQ(ScrollBarsFor(view).vertical, 0);
}

TEST(Zoom, RectangleUnderSixPixelsChangesNothing) {
    ViewState view;
    ViewState previous;
    previous.xFactor = 3.0f;
    const PlotRect rect = Rect(600, 400);
    EXPECT_EQ(ZoomToBand(view, previous, rect, {100, 100}, {105, 200}), ZoomBandOutcome::TooSmall);
    EXPECT_EQ(view, ViewState{});
    EXPECT_FLOAT_EQ(previous.xFactor, 3.0f);

    EXPECT_EQ(ZoomToBand(view, previous, rect, {106, 106}, {100, 100}), ZoomBandOutcome::Zoomed);
    EXPECT_EQ(previous, ViewState{});
    EXPECT_GT(view.xFactor, 90.0f);
    EXPECT_EQ(view.xScroll, (100 - 50) * 1600000 / 600);
}

TEST(Zoom, TinyRectangleIsCentredOnTheSmallestWindow) {
    ViewState view;
    view.xFactor = 160.0f; // 10000 logical across 600 pixels
    view.yFactor = 160.0f;
    view.xScroll = 500000;
    view.yScroll = 500000;
    ApplyZoom(view);
    ViewState previous;
    const PlotRect rect = Rect(600, 400);
    ASSERT_EQ(ZoomToBand(view, previous, rect, {350, 200}, {356, 206}), ZoomBandOutcome::Zoomed);
    EXPECT_EQ(view.xExtent, kMinZoomExtent);
    EXPECT_EQ(view.yExtent, kMinZoomExtent);
    const int low = 500000 + (350 - 50) * 10000 / 600;
    const int size = 100; // 6 pixels of 16.7 logical units
    EXPECT_EQ(view.xScroll, low - (kMinZoomExtent - size) / 2);
}

TEST(Zoom, RectangleOutsideTheSpaceBeepsAndKeepsTheView) {
    ViewState view;
    ViewState previous;
    const PlotRect rect = Rect(600, 400);
    // Dragged into the right margin: past the logical range.
    EXPECT_EQ(ZoomToBand(view, previous, rect, {500, 100}, {700, 200}), ZoomBandOutcome::OutOfSpace);
    EXPECT_EQ(view, ViewState{});
}

TEST(Zoom, PreviousTwiceReturnsAndFixedZoomMinusOneIsIgnored) {
    PlotModel model;
    model.AddTrace(MakeTrace(25.0f, 100.0f));
    ASSERT_TRUE(model.SetZoom(2.0f));
    const ViewState zoomed = model.View();
    model.PreviousZoom();
    EXPECT_FLOAT_EQ(model.View().xFactor, 1.0f);
    model.PreviousZoom();
    EXPECT_EQ(model.View(), zoomed);
    EXPECT_FALSE(model.SetZoom(-1.0f));
    EXPECT_EQ(model.View(), zoomed);
}

TEST(Scroll, RequestsMoveTheWindowWithinTheSpace) {
    ViewState view;
    view.xStep = 1000;
    view.yStep = 1000;
    EXPECT_FALSE(ApplyScrollRequest(view, ScrollAxis::Horizontal, ScrollRequest::LineDown, 0));
    EXPECT_EQ(view.xScroll, 0);

    view.xFactor = view.yFactor = 2.0f;
    ApplyZoom(view);
    EXPECT_TRUE(ApplyScrollRequest(view, ScrollAxis::Horizontal, ScrollRequest::PageDown, 0));
    EXPECT_EQ(view.xScroll, 10000);
    EXPECT_TRUE(ApplyScrollRequest(view, ScrollAxis::Horizontal, ScrollRequest::PageUp, 0));
    EXPECT_TRUE(ApplyScrollRequest(view, ScrollAxis::Horizontal, ScrollRequest::LineUp, 0));
    EXPECT_EQ(view.xScroll, 0);
    // Vertical: "up" raises the window; the thumb counts from the top.
    EXPECT_TRUE(ApplyScrollRequest(view, ScrollAxis::Vertical, ScrollRequest::LineUp, 0));
    EXPECT_EQ(view.yScroll, 1000);
    EXPECT_TRUE(ApplyScrollRequest(view, ScrollAxis::Vertical, ScrollRequest::Thumb, 0));
    EXPECT_EQ(view.yScroll, 800000);
    EXPECT_EQ(ScrollBarsFor(view).vertical, 0);
    EXPECT_TRUE(ApplyScrollRequest(view, ScrollAxis::Horizontal, ScrollRequest::Thumb, 500));
    EXPECT_EQ(view.xScroll, 400000);
    EXPECT_EQ(ScrollBarsFor(view).horizontal, 500);
    EXPECT_FALSE(ApplyScrollRequest(view, ScrollAxis::Horizontal, ScrollRequest::Other, 0));
}

TEST(Model, RefusesTheSeventeenthTraceAndPicksAxisOwners) {
    PlotModel model;
    for (int i = 0; i < kMaxTraces; ++i)
        EXPECT_EQ(model.AddTrace(MakeTrace(1.0f, 1.0f)), i);
    EXPECT_EQ(model.AddTrace(MakeTrace(1.0f, 1.0f)), -1);
    EXPECT_EQ(model.Trace(1)->colour, 0xFF0000u);
    EXPECT_EQ(model.Trace(3)->assignedStyle, LineStyle::DashDotDot);
    EXPECT_EQ(model.Trace(13)->symbol, 0);
    EXPECT_EQ(model.Primary(), model.Trace(0));
    EXPECT_EQ(model.Secondary(), nullptr); // all titles equal
    model.Trace(0)->SetVisible(false);
    model.Trace(2)->yTitle = "other";
    model.SelectAxisTraces();
    EXPECT_EQ(model.Primary(), model.Trace(1));
    EXPECT_EQ(model.Secondary(), model.Trace(2));
}

TEST(Model, PlotRectangleNeedsRoom) {
    PlotModel model;
    EXPECT_FALSE(model.LayoutPlotRect(640, 480, true)); // no trace
    model.AddTrace(MakeTrace(1.0f, 1.0f));
    EXPECT_FALSE(model.LayoutPlotRect(69, 480, true));
    EXPECT_FALSE(model.LayoutPlotRect(640, 34, true));
    ASSERT_TRUE(model.LayoutPlotRect(640, 480, true));
    EXPECT_EQ(model.Rect(), (PlotRect{20, 10, 640, 455}));
    model.WidenMargins(FixedMeasure(), 640, 480);
    EXPECT_EQ(model.Rect().left, 20 + 6); // the widest label is "1"
}

TEST(Picking, NearestPointAndClippedRuns) {
    PlotModel model;
    OFloatArray xs;
    OFloatArray ys;
    for (int i = 0; i < 10; ++i) {
        xs.Add(i * 1.0f);
        ys.Add(i * 10.0f);
    }
    auto trace = MakeTrace(9.0f, 90.0f, 10);
    trace->xValues = &xs;
    trace->yValues = &ys;
    trace->hasX = true;
    const int index = model.AddTrace(std::move(trace));
    EXPECT_EQ(model.NearestPoint(index, ToLogicalX(*model.Trace(index), 3.4)).index, 3);
    EXPECT_EQ(model.NearestPoint(index, ToLogicalX(*model.Trace(index), 3.6)).index, 4);

    model.Trace(index)->hasX = false;
    EXPECT_EQ(model.NearestPoint(index, ToLogicalX(*model.Trace(index), 3.9)).index, 3);
    model.Trace(index)->count = 3;
    const NearestResult beyond = model.NearestPoint(index, ToLogicalX(*model.Trace(index), 5.0));
    EXPECT_EQ(beyond.index, 0);
    EXPECT_EQ(beyond.point.x, 2 * kScrollLimit);
    model.Trace(index)->count = 10;
    model.Trace(index)->hasX = true;

    model.Trace(index)->SetVisible(false);
    EXPECT_EQ(model.NearestPoint(index, 0).point.y, 2 * kScrollLimit);
    model.Trace(index)->SetVisible(true);

    // Zoomed to the left half: the run ends one point past the visible band.
    model.LayoutPlotRect(640, 480, true);
    model.SetZoom(2.0f);
    const auto runs = model.TraceRuns(index);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].size(), 6u);
    // clipToView keeps the top point inside the visible band.
    model.Trace(index)->clipToView = true;
    const auto clipped = model.TraceRuns(index);
    const int e = kLogicalRange / 2;
    EXPECT_EQ(clipped[0].back().y, PixelY(model.View(), model.Rect(), e - e / 75));
}

// A point that is not a number (the gap between two peaks' baselines) breaks the line in two,
// and no segment joins the points either side of it.
TEST(Picking, PointThatIsNotANumberIsAGap) {
    PlotModel model;
    OFloatArray xs;
    OFloatArray ys;
    for (int i = 0; i < 10; ++i) {
        xs.Add(i * 1.0f);
        ys.Add(i == 4 ? std::numeric_limits<float>::quiet_NaN() : i * 10.0f);
    }
    auto trace = MakeTrace(9.0f, 90.0f, 10);
    trace->xValues = &xs;
    trace->yValues = &ys;
    trace->hasX = true;
    const int index = model.AddTrace(std::move(trace));
    model.LayoutPlotRect(640, 480, true);
    const auto runs = model.TraceRuns(index);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].size(), 4u);
    EXPECT_EQ(runs[1].size(), 5u);
}

TEST(Readout, TextsHaveOneMoreDecimal) {
    OFloatArray xs;
    OFloatArray ys;
    xs.Add(1.25f);
    ys.Add(300.0f);
    PlotTrace trace(1, 0);
    trace.xValues = &xs;
    trace.yValues = &ys;
    trace.hasX = true;
    trace.count = 1;
    EXPECT_EQ(FormatPointReadout(trace, 0), "1.25 , 300.0");
    EXPECT_EQ(FormatBaseReadout(trace, 1.0, 100.0, 3.5, 50.0), "Base:1.00 , 100.0;   Offset:2.50 , -50.0");
    trace.hasX = false;
    EXPECT_EQ(FormatPointReadout(trace, 0), "0.00 , 300.0");
}

TEST(Readout, RightButtonPicksTheNearestVisibleTrace) {
    PlotModel model;
    OFloatArray xs;
    OFloatArray low;
    OFloatArray high;
    for (int i = 0; i < 3; ++i) {
        xs.Add(static_cast<float>(i));
        low.Add(10.0f);
        high.Add(90.0f);
    }
    for (OFloatArray* ys : {&low, &high}) {
        auto trace = MakeTrace(2.0f, 100.0f, 3);
        trace->xValues = &xs;
        trace->yValues = ys;
        trace->hasX = true;
        model.AddTrace(std::move(trace));
    }
    model.LayoutPlotRect(640, 480, true);
    const PixelPoint nearHigh =
        ToPixel(model.View(), model.Rect(), {kLogicalRange / 2, kLogicalRange * 8 / 10});
    EXPECT_EQ(model.BeginReadout(nearHigh), "1.0 , 90.0");
    EXPECT_EQ(model.Mode(), MouseMode::Readout);
    model.SetReadoutBase(nearHigh);
    EXPECT_TRUE(model.HasBase());
    const PixelPoint right = ToPixel(model.View(), model.Rect(), {kLogicalRange, 0});
    // The base is a pixel, so its value is as near as the pixel grid allows.
    const std::string text = model.MoveReadout(right);
    EXPECT_EQ(text.rfind("Base:1.0 , 90.", 0), 0u) << text;
    EXPECT_NE(text.find(";   Offset:1.0 , 0.0"), std::string::npos) << text;
    model.EndReadout();
    EXPECT_EQ(model.Mode(), MouseMode::Idle);
    EXPECT_FALSE(model.HasBase());
}

TEST(Symbols, SizesFollowTheLineSteps) {
    const SymbolShape zero = MakeSymbol(0, {1000, 1000}, 400, 200, 0.0f);
    EXPECT_EQ(zero.high.x - zero.low.x, 400);
    EXPECT_EQ(zero.high.y - zero.low.y, 200);
    const SymbolShape narrow = MakeSymbol(8, {1000, 1000}, 4, 200, 0.0f);
    EXPECT_EQ(narrow.high.x - narrow.low.x, 20);
    const SymbolShape down = MakeSymbol(kSymbolTriangleDown, {0, 0}, 400, 400, 0.0f);
    ASSERT_EQ(down.points.size(), 3u);
    EXPECT_EQ(down.points[0], (LogicalPoint{0, -150})); // apex below the point
    EXPECT_EQ(MakeSymbol(12, {0, 0}, 400, 400, 0.0f).kind, SymbolKind::None);
    EXPECT_EQ(MakeSymbol(kSymbolCircle, {0, 0}, 400, 400, 1.0f).kind, SymbolKind::FilledEllipse);
}

TEST(FloatArray, GrowsByHundredAndArchives) {
    OFloatArray values;
    values.SetSize(0, 7);
    for (int i = 0; i < 101; ++i)
        values.Add(static_cast<float>(i));
    EXPECT_EQ(values.Capacity(), 200);
    EXPECT_EQ(values.Size(), 101);
    EXPECT_FLOAT_EQ(values[100], 100.0f);
    EXPECT_FLOAT_EQ(values[101], 0.0f); // past the size
    values.Set(150, 1.5f);
    EXPECT_EQ(values.Size(), 151);
    values.Set(200, 9.0f); // past the capacity: ignored
    EXPECT_EQ(values.Size(), 151);
    values.SetSize(120, 10);
    EXPECT_EQ(values.Size(), 120);
    EXPECT_FLOAT_EQ(values[119], 0.0f);
    EXPECT_FLOAT_EQ(values[99], 99.0f);

    const auto bytes = values.Archive();
    ASSERT_EQ(bytes.size(), 8u + 4u * 120u);
    EXPECT_EQ(bytes[0], 120);
    OFloatArray copy;
    ASSERT_TRUE(copy.Restore(bytes.data(), bytes.size()));
    EXPECT_EQ(copy.Size(), 120);
    EXPECT_FLOAT_EQ(copy[50], 50.0f);
    EXPECT_FALSE(copy.Restore(bytes.data(), bytes.size() - 1));
    EXPECT_EQ(copy.Size(), 120);

    values.SetSize(0, 5);
    EXPECT_EQ(values.Capacity(), 0);
    EXPECT_EQ(values.GrowBy(), 0);
}
