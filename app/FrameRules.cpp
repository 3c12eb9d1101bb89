#include "app/FrameRules.h"

#include "platform/NumberText.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace veltrane {

bool CommandEnabled(Command command, const FrameState& state) {
    switch (command) {
    case Command::FileOpen:
    case Command::BoardChannel:
        return !state.boardDialogOpen;
    case Command::SetToDefaults:
        return state.online && !state.boardDialogOpen;
    case Command::FileSave:
        return !IsDefaultsFile(state.documentPath);
    case Command::ResetToReady:
    case Command::TransmitAll:
    case Command::ReceiveAll:
    case Command::SaveToEeprom:
    case Command::ViewRunLog:
    case Command::ViewZoom:
        return state.online;
    case Command::CommunicationsPort:
        return !state.online;
    case Command::UseCorvanet:
        return state.viewerAvailable;
    case Command::Advanced:
        return false;
    default:
        return true;
    }
}

std::string StatePaneText(std::uint16_t controllerState) {
    static const char* const names[] = {"NOT READY", "READY", "INVALID", "RUN"};
    return controllerState < 4 ? names[controllerState] : "";
}

std::string RunTimePaneText(float minutes) {
    return Format("%7.2f MIN", static_cast<double>(minutes));
}

std::string FileSizePaneText(float megabytes) {
    return Format("%4.2f MB", static_cast<double>(megabytes));
}

std::string FreeSpacePaneText(std::uint64_t freeBytes) {
    return Format("FREE = %5.1f MB", static_cast<double>(freeBytes) / 1048576.0);
}

bool IsDefaultsFile(const std::string& path) {
    std::string name = std::filesystem::path(path).filename().string();
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return name == "DEFAULT.CFG";
}

std::string CorvanetCommand(const std::string& viewerPath) {
    const char separator = static_cast<char>(std::filesystem::path::preferred_separator);
    std::string folder = viewerPath;
    if (folder.empty() || folder.back() != separator) {
        folder += separator;
    }
    return folder + CorvanetProgramName();
}

std::string CorvanetArgument(const std::string& recordingPath, const std::string& dataFolder,
                             const std::string& workingFolder) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path chosen = workingFolder;
    if (!recordingPath.empty() && fs::is_regular_file(recordingPath, error)) {
        chosen = recordingPath;
    } else if (!dataFolder.empty() && fs::is_directory(dataFolder, error)) {
        chosen = dataFolder;
    }
    const fs::path absolute = fs::absolute(chosen, error);
    return (error ? chosen : absolute).string();
}

} // namespace veltrane
