#include "device/RetriedExchange.h"

#include "device/DeviceLink.h"
#include "device/Messages.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"

#include <string>

namespace veltrane {

RetriedExchange::RetriedExchange(DeviceLink& link, ExchangeHost& host, Sleeper& sleeper, Prompts& prompts)
    : link_(link), host_(host), sleeper_(sleeper), prompts_(prompts) {}

bool RetriedExchange::Run(const std::function<bool(DeviceLink&)>& operation) {
    if (!host_.IsOnline()) {
        return false;
    }
    host_.BeginWaitCursor();
    host_.SetPollingSuspended(true);
    // Wakes the controller; a pulse reply still on its way is passed over by the reads.
    std::string id;
    link_.ReadControllerId(id);

    bool ok = false;
    for (int attempt = 0; attempt < kAttempts && !ok; ++attempt) {
        sleeper_.SleepMs(kPauseMs);
        link_.FlushInput();
        ok = operation(link_);
    }
    if (!ok) {
        prompts_.ShowMessage(messages::kCommandFailed);
    }
    link_.RequestPulse();
    host_.SetPollingSuspended(false);
    host_.EndWaitCursor();
    return ok;
}

} // namespace veltrane
