#pragma once

#include "live/LiveMessages.h"

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
// kIgnoredBytesBefore + count + kIgnoredBytesAfter: a record cut in half, or a tail that holds no real
// pulses (a zero period, a time counter going back).
inline constexpr const char* kIgnoredBytesBefore = "The last ";
inline constexpr const char* kIgnoredBytesAfter =
    " bytes of the file hold no whole pulse record and were ignored.";
// Said by the re-gating both programs share.
inline constexpr const char* kBadPulseRange = veltrane::messages::kBadPulseRange;
inline constexpr const char* kBadOperator = veltrane::messages::kBadOperator;
inline constexpr const char* kCannotWriteFile = "Unable to write the export file.";
inline constexpr const char* kNetCdfFailed = "Unable to write the netCDF file: ";
inline constexpr const char* kNoGateModes =
    "The file's configuration holds no gate modes; the default gates are used.";
inline constexpr const char* kExportDone = "Written: ";
// kExportClashBefore + first input + kExportClashAnd + second input + kExportClashAfter
inline constexpr const char* kExportClashBefore = "Nothing written: ";
inline constexpr const char* kExportClashAnd = " and ";
inline constexpr const char* kExportClashAfter =
    " would export to the same file names (names compared without regard to case). Export them one at a "
    "time, each with its own --out folder.";
inline constexpr const char* kCannotMakeOutFolder = "Unable to create the output folder.";

} // namespace veltrane::corvanet::messages
