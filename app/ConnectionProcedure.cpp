#include "app/ConnectionProcedure.h"

#include "app/AppMessages.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"

#include <grp.h>
#include <sys/stat.h>

namespace veltrane {

std::string DeviceGroupName(const std::string& devicePath) {
    struct stat info {};
    if (::stat(devicePath.c_str(), &info) == 0) {
        if (const group* entry = ::getgrgid(info.st_gid); entry != nullptr && entry->gr_name != nullptr) {
            return entry->gr_name;
        }
    }
    return "dialout";
}

std::string BusyMessage(const ConnectionLine& line) {
    std::string text = messages::kPortBusy;
    if (line.PermissionDenied()) {
        std::string hint = messages::kPermissionHint;
        const std::string device = line.DeviceName();
        hint.replace(hint.find("%1"), 2, device);
        hint.replace(hint.find("%2"), 2, DeviceGroupName(device));
        text += hint;
    }
    return text;
}

ConnectionProcedure::ConnectionProcedure(ConnectionLine& line, Prompts& prompts, Sleeper& sleeper,
                                         std::function<ConnectionResult()> askOptions)
    : line_(line), prompts_(prompts), sleeper_(sleeper), askOptions_(std::move(askOptions)) {}

ConnectionResult ConnectionProcedure::Run(int port, int baud, std::string& controllerVersion) {
    ConnectionResult result = ConnectionResult::Exit;
    for (;;) {
        if (!line_.IsOpen()) {
            // A device left open by a failed line set-up is opened again as it is.
            if (line_.OpenLine(port, baud)) {
                line_.SetTimeouts(kReadTimeoutMs);
            }
        }
        bool connected = false;
        for (int attempt = 0; attempt < kTries; ++attempt) {
            if (!line_.IsOpen()) {
                prompts_.ShowMessage(BusyMessage(line_), MessageIcon::Warning);
                break;
            }
            ++tries_;
            if (line_.ReadControllerId(controllerVersion)) {
                connected = true;
                break;
            }
            sleeper_.SleepMs(kTryPauseMs);
        }
        if (connected) {
            result = ConnectionResult::Connected;
            break;
        }
        result = askOptions_ ? askOptions_() : ConnectionResult::Exit;
        if (result != ConnectionResult::Retry) {
            break;
        }
    }
    if (result != ConnectionResult::Connected) {
        line_.CloseLine();
    }
    return result;
}

} // namespace veltrane
