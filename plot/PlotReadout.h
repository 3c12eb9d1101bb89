#pragma once

#include <string>

namespace veltrane {

class PlotTrace;

// "x , y" of point index of a trace, one decimal more than the trace's digits.
std::string FormatPointReadout(const PlotTrace& trace, int index);
// The same for a world position that is not necessarily a point of the trace.
std::string FormatPositionReadout(const PlotTrace& trace, double x, double y);
// "Base:x , y;   Offset:dx , dy" for a base and a current world position.
std::string FormatBaseReadout(const PlotTrace& trace, double baseX, double baseY, double currentX,
                              double currentY);

} // namespace veltrane
