#pragma once

#include "Peaks.h"
#include "Regating.h"

#include <ostream>
#include <string>

namespace veltrane::corvanet {

// The unit of a chromatogram's values made with this gate, as it goes into column names:
// "counts_ms", "counts2_ms2" (a product), "ratio" (a quotient), "sqrt_" before it for a square root.
std::string ValueUnit(const GateMode& gate);

// One header row of column names with units, then one row per peak; numbers with a decimal point
// and no more digits than they mean.
bool WritePeaksCsv(std::ostream& out, const GateMode& gate, const PeakTable& table);

// Text for the peak table's cells and the CSV file: fixed decimals for minutes, six significant
// digits (never an exponent) for heights and areas.
std::string MinutesText(double minutes);
std::string AmountText(double value);

} // namespace veltrane::corvanet
