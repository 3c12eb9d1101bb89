#pragma once

#include "datafile/DataFileReader.h"

#include <string>

namespace veltrane::corvanet {

// The configuration report of the configuration a file was recorded with, as Veltrane prints it,
// titled with the file's name and dated with the day the file was opened. Falls back to a plain
// field listing should the block not load.
std::string ConfigurationReportOf(const DataFileContents& file, const std::string& title);

} // namespace veltrane::corvanet
