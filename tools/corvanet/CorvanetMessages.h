#pragma once

namespace veltrane::corvanet::messages {

// Every text Corvanet shows, in one place.
inline constexpr const char* kProgramName = "Corvanet";
inline constexpr const char* kCannotOpenFile = "Unable to open the data file.";
inline constexpr const char* kNotAFileOrFolder = "No data file or folder of that name.";
inline constexpr const char* kNoDataFilesInFolder = "The folder holds no .dat files.";
inline constexpr const char* kNoPulses = "The data file holds no pulses.";
inline constexpr const char* kRecoveredRecords =
    "The record count of this file is lower than the records it holds (a recording that was cut off). "
    "Every whole record is shown.";
inline constexpr const char* kStrayBytes =
    "The file ends in the middle of a record; that part record is left out.";
inline constexpr const char* kBadPulseRange = "The pulse range is outside the file's pulses.";
inline constexpr const char* kBadOperator = "The gate operator must be one of - + * /.";
inline constexpr const char* kCannotWriteFile = "Unable to write the export file.";
inline constexpr const char* kNetCdfFailed = "Unable to write the netCDF file: ";
inline constexpr const char* kNoGateModes =
    "The file's configuration holds no gate modes; the default gates are used.";
inline constexpr const char* kExportDone = "Written: ";

} // namespace veltrane::corvanet::messages
