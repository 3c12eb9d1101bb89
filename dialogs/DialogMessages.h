#pragma once

// Every text the parameter dialogs show, spelled exactly once.
namespace veltrane::messages {

// Field checks ("%1" and "%2" are the bounds).
inline constexpr const char* kEnterNumberBetween = "Please enter a number between %1 and %2.";
inline constexpr const char* kEnterIntegerBetween = "Please enter an integer between %1 and %2.";
inline constexpr const char* kEnterNumber = "Please enter a number.";
inline constexpr const char* kEnterInteger = "Please enter an integer.";

// Gate mode names met in list texts and configurations.
inline constexpr const char* kGateModeResetToMode1 = "Gate Mode Index Out Of Range!  (Value Reset To Mode 1)";
inline constexpr const char* kGateModeNotAdded = "Gate Mode Index Out Of Range!  (Mode Not Added To List)";

// Gate Parameters.
inline constexpr const char* kAlphaZeroNotAllowed =
    "An Alpha value of 0 is not allowed with the multiplication or division operator!";
inline constexpr const char* kInUseBothChannels =
    "You are attempting to change or delete the gate mode that is assigned to both Channel 1 and Channel 2.  "
    "You must change both channel gate mode assignments via the Parameters - Board/Channel menu item before "
    "you "
    "can change or delete the selected gate mode.";
inline constexpr const char* kInUseChannel1 = "You are attempting to change or delete the gate mode that is "
                                              "assigned to Channel 1.  You must change the "
                                              "gate mode assignment for Channel 1  via the Parameters - "
                                              "Board/Channel menu item before you can change or "
                                              "delete the selected gate mode.";
inline constexpr const char* kInUseChannel2 = "You are attempting to change or delete the gate mode that is "
                                              "assigned to Channel 2.  You must change the "
                                              "mode assignment for Channel 2 via the Parameters - "
                                              "Board/Channel menu item before you can change or delete "
                                              "the selected gate mode.";
inline constexpr const char* kInUseTimedEvent =
    "You are attempting to change or delete a mode that is part of a 'gate' timed event definition.  You "
    "must "
    "change the timed event definition before you can change or delete the selected gate mode.";

// Timed Events.
inline constexpr const char* kNoGateModesDefined = "No Gate Modes Defined!";

// A printout (configuration report, run log) that the printer or the print file refused.
inline constexpr const char* kPrintFailed =
    "Printing failed. Check the printer, or the folder of the file to print to, and try again.";

// Preferences: the folder "Use Corvanet" starts the viewer from ("%1" is a folder).
inline constexpr const char* kCorvanetFolderLabel = "Corvanet Folder:";
inline constexpr const char* kCorvanetFolderFound = "Left empty, Corvanet found in %1 is used.";
inline constexpr const char* kCorvanetFolderNotFound =
    "Left empty, Corvanet is looked for beside Veltrane and on the PATH (not found there now).";
inline constexpr const char* kNoCorvanetInFolder =
    "The folder %1 holds no Corvanet program that can be run. Choose the folder that holds Corvanet, or "
    "leave the field empty to use the one found beside Veltrane or on the PATH.";

// Captions and labels the dialogs share with their tests.
inline constexpr const char* kBoardDialogTitle = "Board / Channel Parameters";
inline constexpr const char* kGateDialogTitle = "Gate Parameters";
inline constexpr const char* kTimedEventsTitle = "Timed Events";

} // namespace veltrane::messages
