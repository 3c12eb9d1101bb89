#pragma once

// Every text the configuration layer shows or writes to the run log, spelled exactly once.
namespace veltrane::messages {

// Index corrections.
inline constexpr const char* kChannelIndexOutOfRange =
    "Channel Index Out Of Range!  (Value Reset To Channel 1)";
inline constexpr const char* kChannelOutOfRange = "Channel Out Of Range!  (Value Reset To Channel 1)";
inline constexpr const char* kEventIndexOutOfRange = "Event Index Out Of Range!  (Value Reset To Event 1)";
inline constexpr const char* kInvalidGateMode = "Invalid Gate Mode! (Value Was Reset)";

// Configuration files.
inline constexpr const char* kInvalidConfigurationFormat = "Invalid Configuration File Format!";
inline constexpr const char* kInvalidConfigurationFile = "Invalid configuration file. File not loaded.";
inline constexpr const char* kUnableToSaveConfiguration =
    "Unable to save the configuration file. The previous file was kept.";
inline constexpr const char* kSaveToEepromQuestion = "Save New PFPD Parameters To EEPROM?";

// Run log file.
inline constexpr const char* kUnableToFind = "Unable to find ";
inline constexpr const char* kWillBeRecreated = ". This file will be recreated!";
inline constexpr const char* kUnableToOpen = "Unable to open ";
inline constexpr const char* kMayBeInUse = ".  This file may be in use by another process!";
inline constexpr const char* kDeletionCanceled = ".  Deletion canceled!";
inline constexpr const char* kUnableToWrite = "Unable to write to ";
inline constexpr const char* kRunLogNotSaved = ".  Run log entries are not saved to this file!";

// Run-log entry headings; the value follows each.
inline constexpr const char* kLogPmtVoltage = "Changed Board PMT Voltage to ";
inline constexpr const char* kLogIgnitorCurrent = "Changed Board Ignitor Current to ";
inline constexpr const char* kLogTriggerLevel = "Changed Board Trigger Level to ";
inline constexpr const char* kLogRange = "Changed Board Range to ";
inline constexpr const char* kLogZeroValue = "Set Zero Value for Channel ";
inline constexpr const char* kLogInterpolation = "Changed Interpolation for Channel ";
inline constexpr const char* kLogAttenuation = "Changed Attenuation for Channel ";
inline constexpr const char* kLogChannelGateMode = "Changed Gate Mode for Channel ";
inline constexpr const char* kLogChangedGateMode = "Changed Gate Mode: ";
inline constexpr const char* kLogDeletedGateMode = "Deleted Gate Mode: ";
inline constexpr const char* kLogAddedGateMode = "Added Gate Mode: ";
inline constexpr const char* kLogTimedEvents = "Changed Timed Event Parameters:";

// Whole run-log entries.
inline constexpr const char* kLogSavedToEeprom = "PFPD Parameters Were Saved To EEPROM";
inline constexpr const char* kLogResetToReady = "PFPD Was Reset To Ready";
inline constexpr const char* kLogReadyToRun = "GC Ready to GC Run Transition";
inline constexpr const char* kLogRunToRun = "GC Run to GC Run Transition";

// The text shown for any index outside its table.
inline constexpr const char* kUnknownIndex = "***";

} // namespace veltrane::messages
