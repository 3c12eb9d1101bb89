#include "plot/PlotReadout.h"

#include "platform/NumberText.h"
#include "plot/PlotTrace.h"

#include <algorithm>

namespace veltrane {

namespace {

int Decimals(int digits) {
    return std::clamp(digits + 1, 0, 30);
}

} // namespace

std::string FormatPointReadout(const PlotTrace& trace, int index) {
    return FormatPositionReadout(trace, trace.XAt(index), trace.YAt(index));
}

std::string FormatPositionReadout(const PlotTrace& trace, double x, double y) {
    char buffer[700];
    FormatInto(buffer, sizeof buffer, "%.*f , %.*f", Decimals(trace.xDigits), x, Decimals(trace.yDigits), y);
    return buffer;
}

std::string FormatBaseReadout(const PlotTrace& trace, double baseX, double baseY, double currentX,
                              double currentY) {
    char buffer[1400];
    const int xd = Decimals(trace.xDigits);
    const int yd = Decimals(trace.yDigits);
    FormatInto(buffer, sizeof buffer, "Base:%.*f , %.*f;   Offset:%.*f , %.*f", xd, baseX, yd, baseY, xd,
               currentX - baseX, yd, currentY - baseY);
    return buffer;
}

} // namespace veltrane
