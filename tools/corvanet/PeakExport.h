#pragma once

#include "Exports.h"
#include "Peaks.h"
#include "datafile/Regating.h"

#include <ostream>
#include <string>

namespace veltrane::corvanet {

// One header row of column names with units, then one row per peak; numbers with a decimal point
// and no more digits than they mean.
bool WritePeaksCsv(std::ostream& out, const GateMode& gate, const PeakTable& table);

// Text for the peak table's cells and the CSV file: fixed decimals for minutes, six significant
// digits (never an exponent) for heights and areas.
std::string MinutesText(double minutes);
std::string AmountText(double value);

} // namespace veltrane::corvanet
