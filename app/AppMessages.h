#pragma once

// Every text the application shell shows, spelled once.
namespace veltrane::messages {

inline constexpr const char* kAppName = "Veltrane";
inline constexpr const char* kWarningCaption = "Veltrane Warning";

// Start-up.
inline constexpr const char* kModeCaption = "Veltrane Mode Initialization";
inline constexpr const char* kModeText = "Please select the desired Veltrane operation mode:";
inline constexpr const char* kConnectionCaption = "Veltrane Connection Options";
inline constexpr const char* kConnectionText = "Please choose to work offline or retry the connection:";
inline constexpr const char* kPortBusy =
    "The configured communications port is busy.\n\nYou may choose 'Offline' and change the port number or "
    "choose 'Retry' after closing the application that is currently using the configured port.";

// Communications Settings.
inline constexpr const char* kCommCaption = "Veltrane Communications Settings";
inline constexpr const char* kCommText = "Please select the desired port and baud rate:";
inline constexpr const char* kCommEarlyPulse = "Request the next pulse early (full-duplex lines)";

// About.
inline constexpr const char* kAboutCaption = "About Veltrane";
inline constexpr const char* kAboutVersion = "Veltrane32 Version 2.1";
// Below it: the version of this build, as --version prints it.
inline constexpr const char* kAboutProgramVersion = "Program version %1";

// Main window.
inline constexpr const char* kDefaultsSet = "The configuration parameters have been set to their defaults!";
inline constexpr const char* kRevertQuestion = "Do you wish to revert to the saved version of %1?";
inline constexpr const char* kSaveChanges = "Save changes to %1?";

// Starting Corvanet, by the platform's result.
inline constexpr const char* kCorvanetOutOfMemory = "System out of memory or resources.";
inline constexpr const char* kCorvanetFileNotFound = "The file %1 was not found";
inline constexpr const char* kCorvanetPathNotFound = "The path for %1 was not found.";
inline constexpr const char* kCorvanetCorrupt = "The file %1 is corrupt.";
inline constexpr const char* kCorvanetError = "There was an error loading %1.";

// Help.
inline constexpr const char* kNoBrowser =
    "No web browser could be started to show the manual. Open this file in any web browser:\n%1";
inline constexpr const char* kNoManual =
    "The manual was not found. It is installed as share/veltrane/manual/index.html beside the folder "
    "that holds the program (for a package: /usr/share/veltrane/manual/index.html).";

// Document.
inline constexpr const char* kDefaultFileName = "DEFAULT.CFG";
inline constexpr const char* kDefaultFileNameLower = "default.cfg";
inline constexpr const char* kFileFilter = "Veltrane (*.cfg)";
inline constexpr const char* kUntitled = "untitled";
inline constexpr const char* kCannotOpenFile = "Cannot open the file %1.";

} // namespace veltrane::messages
