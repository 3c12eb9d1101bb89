#include "plot/AxisLayout.h"

#include "platform/NumberText.h"
#include "plot/PlotTrace.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace veltrane {

namespace {

// Guards the tick loops against spans the step cannot cut in a sane number of pieces.
constexpr int kMaxTicks = 10000;

std::string Printf(const char* format, int precision, double value) {
    char buffer[512];
    FormatInto(buffer, sizeof buffer, format, precision, value);
    return buffer;
}

} // namespace

TickStep ChooseTickStep(int axisPixels, double visibleSpan, int otherAxisPixels, int otherAxisExtent,
                        int tickSpacing) {
    static constexpr std::array<int, 11> multipliers{100, 75, 50, 40, 25, 20, 10, 5, 4, 2, 1};
    TickStep result;
    const int slots = tickSpacing > 0 ? (axisPixels + tickSpacing / 2) / tickSpacing : 0;
    double magnitude = 1e9;
    bool found = false;
    // Magnitudes 1e9 down to 1e-7.
    for (int k = 0; k < 17 && !found; ++k) {
        for (int m : multipliers) {
            result.step = m * magnitude;
            if (visibleSpan / result.step > slots) {
                found = true;
                break;
            }
        }
        if (!found)
            magnitude /= 10.0;
    }
    if (otherAxisPixels > 0 && otherAxisExtent > 0) {
        const double pixelsPerLogical = static_cast<double>(otherAxisPixels) / otherAxisExtent;
        result.lineStep = static_cast<int>(std::floor(tickSpacing / pixelsPerLogical * 0.25));
    }
    return result;
}

YFormat YFormatFor(double visibleYSpan) {
    if (visibleYSpan >= 0.05)
        return YFormat::Plain;
    if (visibleYSpan >= 0.0005)
        return YFormat::Milli;
    return YFormat::Micro;
}

double FormatUnitScale(YFormat format) {
    switch (format) {
    case YFormat::Milli:
        return 0.001;
    case YFormat::Micro:
        return 0.000001;
    case YFormat::Plain:
        break;
    }
    return 1.0;
}

LabelPrecision ChooseLabelPrecision(double step, int digits, YFormat format) {
    LabelPrecision result;
    result.precision = digits;
    result.unit = std::pow(10.0, -digits) * FormatUnitScale(format);
    // The step never falls below 1e-7, so a handful of rounds suffices; the bound only guards
    // against a step that is not a number.
    for (int round = 0; step < result.unit && round < 30; ++round) {
        ++result.precision;
        result.unit /= 10.0;
    }
    return result;
}

std::string FormatAxisLabel(double value, int precision, YFormat format, bool showSign) {
    if (!showSign)
        value = std::fabs(value);
    precision = std::clamp(precision, 0, 30);
    switch (format) {
    case YFormat::Milli:
        return Printf("%.*fe-3", precision, value * 1000.0);
    case YFormat::Micro:
        return Printf("%.*fe-6", precision, value * 1000000.0);
    case YFormat::Plain:
        break;
    }
    return Printf("%.*f", precision, value);
}

bool IsOnLabelUnit(double t, double unit) {
    const double magnitude = std::fabs(t);
    return std::fabs(magnitude - unit * std::floor(magnitude / unit + 0.5)) < 0.1 * unit;
}

int AxisContext::LogicalWidth(int pixels) const {
    if (rect.Width() <= 0)
        return 0;
    return static_cast<int>(std::floor(static_cast<double>(view.xExtent) * pixels / rect.Width() + 0.5));
}

int AxisContext::LogicalHeight(int pixels) const {
    if (rect.Height() <= 0)
        return 0;
    return static_cast<int>(std::floor(static_cast<double>(view.yExtent) * pixels / rect.Height() + 0.5));
}

void LayoutXAxis(const PlotTrace& trace, const AxisContext& context, int tickLength, double step,
                 AxisDrawing& out) {
    if (trace.xSpan < 0.001f || trace.ySpan < 0.001f || !(step > 0.0) || context.text == nullptr)
        return;
    const ViewState& view = context.view;
    const double xLow = ToWorldX(trace, view.xScroll);
    const double xHigh = ToWorldX(trace, static_cast<double>(view.xScroll) + view.xExtent);
    const double yLow = ToWorldY(trace, view.yScroll);
    const double yHigh = ToWorldY(trace, static_cast<double>(view.yScroll) + view.yExtent);
    const LabelPrecision precision = ChooseLabelPrecision(step, trace.xDigits);
    const auto format = [&](double value) {
        return FormatAxisLabel(value, precision.precision, YFormat::Plain, context.signedXLabels);
    };

    const double t0 = step * std::trunc(xLow / step);
    const int widest =
        context.LogicalWidth(context.text->Width(format(-std::max(std::fabs(xHigh), std::fabs(t0)))));
    int spacing = widest;
    double lastPosition = ToLogicalX(trace, t0) - static_cast<double>(widest);
    const int textHeight = context.LogicalHeight(context.text->Height());
    const int labelTop = view.yScroll - static_cast<int>(0.2 * textHeight);

    double t = t0;
    for (int tick = 0; t < xHigh && tick < kMaxTicks; ++tick, t = t0 + tick * step) {
        const int k = ToLogicalX(trace, t);
        bool labelled = false;
        if (std::fabs(k - lastPosition) > spacing && IsOnLabelUnit(t, precision.unit)) {
            const std::string text = format(t);
            const int width = context.LogicalWidth(context.text->Width(text));
            spacing = width;
            if (lastPosition + 1.5 * widest < k - width / 2.0) {
                labelled = true;
                if (trace.showXLabels)
                    out.labels.push_back({{k - width / 2, labelTop}, TextAnchor::Left, text});
                lastPosition = k - widest / 2.0;
            }
        }
        if (!(xLow < t && t < xHigh))
            continue;
        if (labelled && context.gridLines)
            out.lines.push_back({{k, kLogicalRange}, {k, view.yScroll}, true});
        else
            out.lines.push_back({{k, view.yScroll + tickLength}, {k, view.yScroll}, false});
        if (view.yScroll < 0)
            out.lines.push_back({{k, tickLength / 2}, {k, -tickLength / 2}, false});
    }
    if (yLow < 0.0 && 0.0 < yHigh) {
        const int zero = ToLogicalY(trace, 0.0);
        out.lines.push_back({{view.xScroll, zero}, {ToLogicalX(trace, xHigh), zero}, false});
    }
}

void LayoutYAxis(const PlotTrace& trace, const AxisContext& context, int tickLength, double step,
                 bool rightSide, AxisDrawing& out) {
    if (trace.xSpan < 1e-6f || !(trace.ySpan > 1e-6f) || !(step > 0.0) || context.text == nullptr)
        return;
    const ViewState& view = context.view;
    const double visibleSpan = trace.ySpan / view.yFactor;
    const YFormat yFormat = YFormatFor(visibleSpan);
    const LabelPrecision precision = ChooseLabelPrecision(step, trace.yDigits, yFormat);
    const double xLow = ToWorldX(trace, view.xScroll);
    const double xHigh = ToWorldX(trace, static_cast<double>(view.xScroll) + view.xExtent);
    const double yLow = ToWorldY(trace, view.yScroll);

    const int edge = rightSide ? view.xScroll + view.xExtent : view.xScroll;
    const int inward = rightSide ? -tickLength : tickLength;
    const double t0 = step * std::trunc(yLow / step);
    const double end = t0 + visibleSpan + step;
    const int textHeight = context.LogicalHeight(context.text->Height());
    const int charWidth = context.LogicalWidth(context.text->Width("x"));
    const int gap = static_cast<int>(1.25 * charWidth);
    const int anchorX = rightSide ? edge + gap : edge - gap;
    const bool acrossZero = !rightSide && xLow < 0.0 && 0.0 < xHigh;
    const int zeroX = ToLogicalX(trace, 0.0);

    int lastPosition = ToLogicalY(trace, t0);
    double t = t0;
    for (int tick = 0; t < end && tick < kMaxTicks; ++tick, t = t0 + tick * step) {
        const int ly = ToLogicalY(trace, t);
        const int top = ly + textHeight / 2;
        bool labelled = false;
        if (std::abs(top - lastPosition) > textHeight) {
            labelled = true;
            lastPosition = top;
            if (trace.showYLabels) {
                out.labels.push_back(
                    {{anchorX, top},
                     rightSide ? TextAnchor::Left : TextAnchor::Right,
                     FormatAxisLabel(t, precision.precision, yFormat, context.signedYLabels)});
            }
        }
        if (!(t > yLow))
            continue;
        if (labelled && !rightSide && context.gridLines)
            out.lines.push_back({{view.xScroll, ly}, {view.xScroll + view.xExtent, ly}, true});
        else
            out.lines.push_back({{edge, ly}, {edge + inward, ly}, false});
        if (acrossZero)
            out.lines.push_back({{zeroX - tickLength / 2, ly}, {zeroX + tickLength / 2, ly}, false});
    }
    if (acrossZero)
        out.lines.push_back({{zeroX, ToLogicalY(trace, yLow)}, {zeroX, ToLogicalY(trace, end)}, false});
}

std::string WidestYLabel(const PlotTrace& trace, float yFactor) {
    const double widest = std::max(std::fabs(trace.yMin), std::fabs(trace.yMax));
    return FormatAxisLabel(widest, trace.yDigits, YFormatFor(trace.ySpan / yFactor), true);
}

std::string WidestSecondaryLabel(const PlotTrace& trace, float yFactor) {
    const double widest = std::max(std::fabs(trace.yMin), std::fabs(trace.yMax));
    const YFormat format = trace.ySpan / yFactor < 0.05 ? YFormat::Milli : YFormat::Plain;
    return FormatAxisLabel(widest, trace.yDigits, format, true);
}

PixelPoint TitleOrigin(int anchorX, int anchorY, int escapement, int textWidth, int textHeight) {
    if (escapement >= 2700)
        return {anchorX - textHeight / 2, anchorY - textWidth / 2};
    if (escapement < 900)
        return {anchorX - textWidth / 4, anchorY - textHeight / 4};
    return {anchorX - textHeight / 2, anchorY + textWidth / 2};
}

} // namespace veltrane
