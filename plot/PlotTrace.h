#pragma once

#include "plot/OFloatArray.h"
#include "plot/PlotConstants.h"

#include <cstdint>
#include <string>

namespace veltrane {

// One trace of (x, y) points; owned by the plot it is attached to.
class PlotTrace {
public:
    PlotTrace(int xDigitsIn, int yDigitsIn) : xDigits(xDigitsIn), yDigits(yDigitsIn) {}
    ~PlotTrace();
    PlotTrace(const PlotTrace&) = delete;
    PlotTrace& operator=(const PlotTrace&) = delete;

    void SetRange(float xMinIn, float yMinIn, float xMaxIn, float yMaxIn);
    void RecomputeSpans();
    bool IsVisible() const { return checked; }
    void SetVisible(bool visible) { checked = visible; }

    // The x of point i is i when the trace has no x values.
    float XAt(int index) const;
    float YAt(int index) const;

    std::string name;
    std::string xTitle;
    std::string yTitle;
    int count = 0;
    int xDigits = 0;
    int yDigits = 0;
    OFloatArray* yValues = nullptr;
    OFloatArray* xValues = nullptr;
    int penStyle = kAutomaticPenStyle;
    LineStyle assignedStyle = LineStyle::Solid;
    bool checked = true;
    std::uint32_t colour = 0;
    std::uint32_t colour2 = 0;
    bool hasX = false;
    bool showXLabels = true;
    bool showYLabels = true;
    bool ownsArrays = false;
    bool clipToView = false;
    float xMin = 0.0f;
    float yMin = 0.0f;
    float xMax = 0.0f;
    float yMax = 0.0f;
    float ySpan = 0.0f;
    float xSpan = 0.0f;
    int symbol = 0;
    float symbolScale = 0.0f;
    // The symbol (a type of PlotSymbol.h) is drawn at every point when on; lines off leaves the
    // symbols alone.
    bool symbols = false;
    bool lines = true;
    // Marks drawn over the data (peak apexes, baselines) are passed over by the value read-out.
    bool readout = true;
};

} // namespace veltrane
