#pragma once

#include "platform/CorvanetLocation.h"

#include <cstdint>
#include <string>

namespace veltrane {

// Menu commands whose enabling depends on the session.
enum class Command {
    FileOpen,
    FileSave,
    FileSaveAs,
    FilePrint,
    FilePrintPreview,
    FilePrintSetup,
    ViewZoom,
    ViewToolbar,
    ViewStatusBar,
    GatesModes,
    BoardChannel,
    SetToDefaults,
    TimedEvents,
    ResetToReady,
    TransmitAll,
    ReceiveAll,
    SaveToEeprom,
    Preferences,
    ViewRunLog,
    CommunicationsPort,
    UseCorvanet,
    ViewLiveChromatogram,
    Advanced,
    About,
    Help
};

struct FrameState {
    bool online = false;
    bool boardDialogOpen = false;
    bool viewerAvailable = false;
    std::string documentPath; // empty for an untitled document
};

// The enable rule of each menu command (the form view's rules included).
bool CommandEnabled(Command command, const FrameState& state);

// Status panes.
std::string StatePaneText(std::uint16_t controllerState);
std::string RunTimePaneText(float minutes);
std::string FileSizePaneText(float megabytes);
std::string FreeSpacePaneText(std::uint64_t freeBytes);

// True when the file name, upper-cased, is DEFAULT.CFG (saving over the defaults is refused).
bool IsDefaultsFile(const std::string& path);

// Corvanet: the folder with a trailing separator, then the program file name.
std::string CorvanetCommand(const std::string& viewerPath);
// What Corvanet is given to open, as an absolute path: the data file being recorded or recorded
// last while it is there, else the data folder chosen in the form, else the working folder.
std::string CorvanetArgument(const std::string& recordingPath, const std::string& dataFolder,
                             const std::string& workingFolder);

} // namespace veltrane
