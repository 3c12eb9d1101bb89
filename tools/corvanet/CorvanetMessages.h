#pragma once

#include "datafile/Messages.h"

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
// Above the peak table: how many were found, and what to try when none were.
inline constexpr const char* kPeaksFound = "%zu peaks; noise %s";
inline constexpr const char* kNoPeaksFound =
    "No peaks found. Small peaks need a lower threshold; narrow ones a smaller least width at half height.";
// kExportClashBefore + first input + kExportClashAnd + second input + kExportClashAfter
inline constexpr const char* kExportClashBefore = "Nothing written: ";
inline constexpr const char* kExportClashAnd = " and ";
inline constexpr const char* kExportClashAfter =
    " would export to the same file names (names compared without regard to case). Export them one at a "
    "time, each with its own --out folder.";
inline constexpr const char* kCannotMakeOutFolder = "Unable to create the output folder.";
// kNoGateModeBefore + name + kNoGateModeAfter
inline constexpr const char* kNoGateModeBefore = "No gate mode ";
inline constexpr const char* kNoGateModeAfter = " in the file's configuration.";
inline constexpr const char* kGateMissingNothingWritten =
    "Nothing written: the gate mode named by --gate must be in the configuration of every input.";
// Refused option values, after "OPTION VALUE: ".
inline constexpr const char* kGateStopBeforeStart = "the gate stops before it starts.";
inline constexpr const char* kGateOutsidePulse = "gates must lie within the 25 ms pulse (0 to 25 ms).";
inline constexpr const char* kRangeBackwards = "the range ends before it starts.";

// The compare tab.
inline constexpr const char* kCompareTooMany =
    "At most 16 recordings can be compared at once; the rest were not added.";
inline constexpr const char* kCompareNoCurrentFile =
    "Open a data file first: there is no run to take the channels from.";
// label + kCompareUnscaled
inline constexpr const char* kCompareUnscaled = ": no positive height or area, drawn as it is.";
inline constexpr const char* kCompareNotLoaded = " (not loaded)";
inline constexpr const char* kCompareLoading = "Reading and re-gating the recordings...";
inline constexpr const char* kCompareEmpty = "Add recordings to overlay them on one run time axis.";

// The right-button read-out in the status bar: the prefix of the plot, then "x , y".
inline constexpr const char* kChromatogramReadout = "Retention time (min) , value: ";
inline constexpr const char* kPulseReadout = "Time in the pulse (ms) , counts: ";

// Pictures and printing.
inline constexpr const char* kCannotWritePicture = "Unable to write the picture file.";
inline constexpr const char* kPictureSuffix = "A picture file name ends in .png, .svg or .pdf.";
inline constexpr const char* kHeaderFile = "File: ";
inline constexpr const char* kHeaderGate = "Gate: ";
inline constexpr const char* kHeaderDate = "Date: ";
inline constexpr const char* kHeaderView = "View: ";
inline constexpr const char* kPrintedTo = "No screen to choose a printer on; printed to ";

// Help.
inline constexpr const char* kNoManual =
    "Corvanet's chapter of the manual was not found beside the program. It is corvanet.html in the "
    "manual folder (share/veltrane/manual).";
inline constexpr const char* kNoBrowserBefore = "No web browser could be started to show the manual: ";
inline constexpr const char* kAboutText = "Corvanet %1\n\nRe-gates the pulses Veltrane records into "
                                          "chromatograms, and shows, exports and prints them.";

} // namespace veltrane::corvanet::messages
