#pragma once

#include "device/RetriedExchange.h"

#include <functional>

namespace veltrane {

class ConfigurationModel;
class DeviceLink;
class Prompts;
class Sleeper;
struct LiveState;

// What the parameter dialogs need of the application: the configuration, the operator's
// message boxes, the live state, the controller link and the manual. The application
// builds one from its own parts; tests build one from fakes.
class DialogHost : public ExchangeHost {
public:
    DialogHost(ConfigurationModel& config, Prompts& prompts, LiveState& live, DeviceLink& link,
               Sleeper& sleeper);

    ConfigurationModel& Config() { return config_; }
    Prompts& GetPrompts() { return prompts_; }
    LiveState& Live() { return live_; }
    DeviceLink& Link() { return link_; }

    bool IsOnline() const override;
    void SetPollingSuspended(bool suspended) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;

    // A controller operation inside the retried exchange; false offline or after five failures.
    bool RunRetried(const std::function<bool(DeviceLink&)>& operation);
    void OpenHelp(const char* anchor);

    // Optional: how the wait cursor is shown (true = on), and how the manual opens at an anchor.
    std::function<void(bool)> waitCursor;
    std::function<void(const char*)> help;

private:
    ConfigurationModel& config_;
    Prompts& prompts_;
    LiveState& live_;
    DeviceLink& link_;
    Sleeper& sleeper_;
};

} // namespace veltrane
