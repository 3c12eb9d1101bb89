#include "plot/PlotTrace.h"

#include <cmath>

namespace veltrane {

PlotTrace::~PlotTrace() {
    if (!ownsArrays)
        return;
    if (xValues != yValues)
        delete xValues;
    delete yValues;
}

void PlotTrace::SetRange(float xMinIn, float yMinIn, float xMaxIn, float yMaxIn) {
    xMin = xMinIn;
    yMin = yMinIn;
    xMax = xMaxIn;
    yMax = yMaxIn;
    RecomputeSpans();
}

void PlotTrace::RecomputeSpans() {
    ySpan = std::fabs(yMax - yMin);
    xSpan = std::fabs(xMax - xMin);
}

float PlotTrace::XAt(int index) const {
    if (hasX && xValues != nullptr)
        return (*xValues)[index];
    return static_cast<float>(index);
}

float PlotTrace::YAt(int index) const {
    return yValues != nullptr ? (*yValues)[index] : 0.0f;
}

} // namespace veltrane
