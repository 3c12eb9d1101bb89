#pragma once

#include "live/DataFileReader.h"
#include "live/Regating.h"

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

namespace veltrane::corvanet {

// What an export says about where its data came from.
struct ExportSource {
    std::string fileName; // the .dat file, without folders
    DataFileHeader header;
};

// One line per pulse: index, time counter, run time, period, then the 250 samples. '#' lines
// first tell the source. Pulses first..last inclusive.
bool WritePulsesCsv(std::ostream& out, const ExportSource& source, std::span<const StoredPulse> pulses,
                    std::size_t first, std::size_t last);

// '#' lines with the gate parameters, then one line per pulse: index, run time, area A, area B, value.
bool WriteChromatogramCsv(std::ostream& out, const ExportSource& source, const RegateSettings& settings,
                          const Chromatogram& chromatogram);

// The chromatogram as an ANDI/AIA chromatography netCDF file (classic format), the gate
// parameters as global attributes. False with a message on any library failure; a partly
// written file is removed.
bool WriteChromatogramCdf(const std::string& path, const ExportSource& source, const RegateSettings& settings,
                          const Chromatogram& chromatogram, std::string& error);

// Writes to a file through a temporary name, so a failed export never leaves half a file
// in place of a good one.
bool WriteTextFile(const std::string& path, const std::function<bool(std::ostream&)>& write);

} // namespace veltrane::corvanet
