#include "PeakExport.h"

#include "platform/NumberText.h"

#include <algorithm>
#include <cmath>

namespace veltrane::corvanet {

namespace {

std::string Fixed(double value, int decimals) {
    // A value that rounds to zero is written 0, never -0.000.
    if (!std::isfinite(value) || std::fabs(value) < 0.5 * std::pow(10.0, -decimals)) {
        value = 0.0;
    }
    return Format("%.*f", decimals, value);
}

} // namespace

std::string MinutesText(double minutes) {
    return Fixed(minutes, 4);
}

std::string AmountText(double value) {
    const double size = std::fabs(value);
    const int digits = size > 0.0 && std::isfinite(size) ? static_cast<int>(std::floor(std::log10(size))) : 0;
    return Fixed(value, std::clamp(5 - digits, 0, 9));
}

bool WritePeaksCsv(std::ostream& out, const GateMode& gate, const PeakTable& table) {
    const std::string unit = ValueUnitOf(gate).column;
    out << "peak,retention_time_min,height_" << unit << ",area_" << unit
        << "_s,width_half_min,start_min,end_min,signal_to_noise,area_percent\n";
    std::string line;
    for (std::size_t i = 0; i < table.peaks.size(); ++i) {
        const Peak& p = table.peaks[i];
        line = std::to_string(i + 1);
        for (const std::string& cell :
             {MinutesText(p.retentionMinutes), AmountText(p.height), AmountText(p.area),
              MinutesText(p.widthHalfMinutes), MinutesText(p.startMinutes), MinutesText(p.endMinutes),
              Fixed(p.signalToNoise, 1), Fixed(p.areaPercent, 3)}) {
            line += ',';
            line += cell;
        }
        line += '\n';
        out << line;
    }
    return static_cast<bool>(out);
}

} // namespace veltrane::corvanet
