#pragma once

#include "Peaks.h"
#include "datafile/DataFileReader.h"
#include "datafile/Regating.h"

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace veltrane::corvanet {

// What an export says about where its data came from.
struct ExportSource {
    std::string fileName; // the .dat file, without folders
    DataFileHeader header;
};

// What a CSV export says about itself (the source, the gate parameters): key, value.
using MetadataRows = std::vector<std::pair<std::string, std::string>>;

// Where a CSV export's metadata go.
enum class MetadataPlacement {
    Sidecar, // NAME.meta.csv beside NAME.csv: the table itself is a plain table (the default)
    Inline   // '#' lines before the table's column names
};

// The unit of a chromatogram's value, which follows the operator and the square root:
// text for people and files ("sqrt(counts*ms)") and the form used in a column name ("sqrt_counts_ms").
struct ValueUnit {
    const char* text;
    const char* column;
};
ValueUnit ValueUnitOf(const GateMode& gate);

MetadataRows PulsesMetadata(const ExportSource& source);
MetadataRows ChromatogramMetadata(const ExportSource& source, const RegateSettings& settings,
                                  const Chromatogram& chromatogram);

// One line per pulse: index, time counter, run time, period, then the 250 samples (counts); one
// header line of column names with units first. Pulses first..last inclusive.
bool WritePulsesCsv(std::ostream& out, std::span<const StoredPulse> pulses, std::size_t first,
                    std::size_t last);

// One header line of column names with units, then one line per pulse: index, run time, area A,
// area B, value.
bool WriteChromatogramCsv(std::ostream& out, const RegateSettings& settings,
                          const Chromatogram& chromatogram);

// The sidecar of a table: NAME.meta.csv for NAME.csv (the name with ".meta.csv" added otherwise).
std::string MetadataPath(const std::string& tablePath);

// A table written by `table` to path, its metadata where placement says: the sidecar holds a
// "key,value" line then one line per row; inline, each row is a '#' line before the table. Fields
// holding commas, quotes or line ends are quoted (RFC 4180). Each file through a temporary name.
bool ExportCsvTable(const std::string& path, const MetadataRows& rows, MetadataPlacement placement,
                    const std::function<bool(std::ostream&)>& table);

// The pulses' and the chromatogram's tables with their metadata.
bool ExportPulsesCsv(const std::string& path, const ExportSource& source, std::span<const StoredPulse> pulses,
                     std::size_t first, std::size_t last, MetadataPlacement placement);
bool ExportChromatogramCsv(const std::string& path, const ExportSource& source,
                           const RegateSettings& settings, const Chromatogram& chromatogram,
                           MetadataPlacement placement);

// The chromatogram and its peak table as an ANDI/AIA chromatography netCDF file (classic format) of
// completeness C1+C2 (raw data and peak results), the gate parameters as further global
// attributes. False with a message on any library failure; a partly written file is removed.
bool WriteChromatogramCdf(const std::string& path, const ExportSource& source, const RegateSettings& settings,
                          const Chromatogram& chromatogram, const PeakTable& peaks, std::string& error);

// Writes to a file through a temporary name, so a failed export never leaves half a file
// in place of a good one.
bool WriteTextFile(const std::string& path, const std::function<bool(std::ostream&)>& write);

} // namespace veltrane::corvanet
