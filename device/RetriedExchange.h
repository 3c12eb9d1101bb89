#pragma once

#include <functional>

namespace veltrane {

class DeviceLink;
class Prompts;
class Sleeper;

// What the retried exchange needs of the application: whether the session is online,
// the flag that keeps the timer off the line, and the wait cursor.
class ExchangeHost {
public:
    virtual ~ExchangeHost() = default;
    virtual bool IsOnline() const = 0;
    virtual void SetPollingSuspended(bool suspended) = 0;
    virtual void BeginWaitCursor() {}
    virtual void EndWaitCursor() {}
};

// The one procedure by which dialogs run a controller operation: polling held off, the
// controller probed once, up to five attempts after a pause and a flush of stale input,
// "Command Failed" when all fail, then the next pulse requested.
class RetriedExchange {
public:
    static constexpr int kAttempts = 5;
    static constexpr int kPauseMs = 250;

    RetriedExchange(DeviceLink& link, ExchangeHost& host, Sleeper& sleeper, Prompts& prompts);

    // True when an attempt succeeded; false offline (nothing exchanged) or after five failures.
    bool Run(const std::function<bool(DeviceLink&)>& operation);

private:
    DeviceLink& link_;
    ExchangeHost& host_;
    Sleeper& sleeper_;
    Prompts& prompts_;
};

} // namespace veltrane
