#include "app/ConnectionProcedure.h"

#include "app/AppMessages.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"

namespace veltrane {

std::string BusyMessage(const ConnectionLine& line) {
    const std::string reason = line.OpenFailure();
    return reason.empty() ? messages::kPortBusy : std::string(messages::kPortBusy) + "\n\n" + reason;
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
