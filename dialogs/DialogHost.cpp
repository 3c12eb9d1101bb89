#include "dialogs/DialogHost.h"

#include "live/LiveState.h"

namespace veltrane {

DialogHost::DialogHost(ConfigurationModel& config, Prompts& prompts, LiveState& live, DeviceLink& link,
                       Sleeper& sleeper)
    : config_(config), prompts_(prompts), live_(live), link_(link), sleeper_(sleeper) {}

bool DialogHost::IsOnline() const {
    return live_.online;
}

void DialogHost::SetPollingSuspended(bool suspended) {
    live_.pollingSuspended = suspended;
}

void DialogHost::BeginWaitCursor() {
    if (waitCursor) {
        waitCursor(true);
    }
}

void DialogHost::EndWaitCursor() {
    if (waitCursor) {
        waitCursor(false);
    }
}

bool DialogHost::RunRetried(const std::function<bool(DeviceLink&)>& operation) {
    RetriedExchange exchange(link_, *this, sleeper_, prompts_);
    return exchange.Run(operation);
}

void DialogHost::OpenHelp(const char* anchor) {
    if (help) {
        help(anchor);
    }
}

} // namespace veltrane
