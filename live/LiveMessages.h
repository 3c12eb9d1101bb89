#pragma once

// Every text the live layer shows, spelled once.
namespace veltrane::messages {

inline constexpr const char* kPmtWarningCaption = "PMT Protection Warning";
inline constexpr const char* kPmtWarningText1 = "PMT Protection has been enabled.  Turn off HV prior to "
                                                "changing filter or PMTs, removing PMT housing from "
                                                "PFPD Assembly, or changing the Combustor or light pipes.";
inline constexpr const char* kPmtWarningText2 =
    "EXPOSURE OF ENERGIZED PMT TO HIGH LIGHT LEVELS CAN SEVERELY DAMAGE "
    "THE PMT AND SERIOUSLY DEGRADE PFPD PERFORMANCE.";
inline constexpr const char* kNumberBetween = "Please enter a number between %1 and %2.";

// The serial line went away during a session (an unplugged USB adapter) and came back.
inline constexpr const char* kLinkLost =
    "The connection to the PFPD controller was lost.  Veltrane keeps trying to reconnect; pulses resume when "
    "the controller is back.";
inline constexpr const char* kLinkRestored = "The connection to the PFPD controller has been restored.";

// Pulse data recording.
inline constexpr const char* kMaxFileSizeExceeded = "Maximum Data File Size Exceeded!";
inline constexpr const char* kMinDiskFreeReached = "Minimum Disk Free Space Reached!";
inline constexpr const char* kMaxSequenceReached =
    "The maximum allowable file sequence number of 999 has been reached for the selected file prefix.  "
    "Please either delete some of the existing files with the currently selected file prefix, choose a new "
    "directory for storing the files, or enter a new file prefix.";
inline constexpr const char* kDesignatorTooLong = "Data File Designator Must Be Limited To 5 Characters";
// "The file " + path + " already exists.\n\nDo you want to replace it?"
inline constexpr const char* kReplaceFileBefore = "The file ";
inline constexpr const char* kReplaceFileAfter = " already exists.\n\nDo you want to replace it?";
inline constexpr const char* kChooseDataFileTitle = "Create New PFPD Data File";
inline constexpr const char* kDataFileFilter = "PFPD Files (*.dat)";
inline constexpr const char* kDataFileExtension = "dat";
inline constexpr const char* kDefaultDataFile = "file.dat";
inline constexpr const char* kRecordData = "Record Data";
inline constexpr const char* kStopRecord = "Stop Record";
// A write that failed (disk full, media removed) ends the recording; the file keeps every whole record.
inline constexpr const char* kDataFileWriteFailed = "Unable to write the data file. Recording stopped.";
inline constexpr const char* kDataFileCreateFailed = "Unable to create the data file. Recording not started.";
// Writing through a link would fill whatever file it points to, wherever that is.
inline constexpr const char* kDataFileIsLink =
    "The data file name is a symbolic link; Veltrane does not write through links. Recording not started. "
    "Please choose another file name.";

} // namespace veltrane::messages
