#pragma once

#include "plot/PlotMapping.h"

#include <string>
#include <vector>

namespace veltrane {

class PlotTrace;

struct TickStep {
    double step = 0.0; // data units
    int lineStep = 0;  // logical units of the other axis: a quarter of the tick spacing there
};

// The largest step m * 10^k (m from 100, 75, 50, 40, 25, 20, 10, 5, 4, 2, 1) that cuts the visible
// span into more intervals than the axis has tick slots.
TickStep ChooseTickStep(int axisPixels, double visibleSpan, int otherAxisPixels, int otherAxisExtent,
                        int tickSpacing);

// How y labels are written, from the visible y span.
enum class YFormat {
    Plain, // "%.*f"
    Milli, // value * 1e3, "%.*fe-3"
    Micro, // value * 1e6, "%.*fe-6"
};
YFormat YFormatFor(double visibleYSpan);
double FormatUnitScale(YFormat format);

struct LabelPrecision {
    int precision = 0;
    double unit = 1.0; // 10^-precision, scaled by the format
};
LabelPrecision ChooseLabelPrecision(double step, int digits, YFormat format = YFormat::Plain);

std::string FormatAxisLabel(double value, int precision, YFormat format, bool showSign);

// True when t lies within a tenth of a unit of a multiple of the unit.
bool IsOnLabelUnit(double t, double unit);

// Measures text in pixels with the font the labels are drawn in.
class TextMeasure {
public:
    virtual ~TextMeasure() = default;
    virtual int Width(const std::string& text) const = 0;
    virtual int Height() const = 0;
};

struct AxisLine {
    LogicalPoint from;
    LogicalPoint to;
    bool dotted = false;
};

enum class TextAnchor {
    Left,
    Right
};

// A label in logical units: anchor x, top edge y.
struct AxisLabel {
    LogicalPoint at;
    TextAnchor anchor = TextAnchor::Left;
    std::string text;
};

struct AxisDrawing {
    std::vector<AxisLine> lines;
    std::vector<AxisLabel> labels;
};

struct AxisContext {
    ViewState view;
    PlotRect rect;
    bool gridLines = false;
    bool signedXLabels = true;
    bool signedYLabels = true;
    const TextMeasure* text = nullptr;

    int LogicalWidth(int pixels) const;
    int LogicalHeight(int pixels) const;
};

void LayoutXAxis(const PlotTrace& trace, const AxisContext& context, int tickLength, double step,
                 AxisDrawing& out);
void LayoutYAxis(const PlotTrace& trace, const AxisContext& context, int tickLength, double step,
                 bool rightSide, AxisDrawing& out);

// The text of the widest y label of a trace, used to size the margin beside its axis.
std::string WidestYLabel(const PlotTrace& trace, float yFactor);
std::string WidestSecondaryLabel(const PlotTrace& trace, float yFactor);

// Where a title's text goes for its anchor, extent and escapement (tenths of a degree).
PixelPoint TitleOrigin(int anchorX, int anchorY, int escapement, int textWidth, int textHeight);

} // namespace veltrane
