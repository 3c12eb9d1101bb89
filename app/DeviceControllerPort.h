#pragma once

#include "app/ConnectionProcedure.h"
#include "live/ControllerPort.h"
#include "live/PulseReadPolicy.h"

#include <cstdint>
#include <functional>

namespace veltrane {

class Clock;
class ConfigurationModel;
class DeviceLink;

// The one DeviceLink as the live cycle and the connection procedure see it.
class DeviceControllerPort : public ControllerPort, public ConnectionLine {
public:
    DeviceControllerPort(DeviceLink& link, ConfigurationModel& config, const Clock& clock);

    // After each whole-settings exchange of the cycle: the request code (receive or transmit
    // all) and whether it succeeded, i.e. whether the model now holds what the controller does.
    std::function<void(int request, bool ok)> settingsExchanged;

    // ControllerPort
    bool IsOpen() const override;
    bool Reopen() override;
    PulseRead ReadPulse(PulseRecord& record) override;
    bool RequestPulse() override;
    void FlushInput() override;
    bool ReceiveAllSettings() override;
    bool TransmitAllSettings() override;
    void ResetToReady() override;
    void WriteChannelZero(int channel) override;
    bool ReadDspMode(int& mode) override;
    void SaveToEeprom() override;

    // ConnectionLine
    bool OpenLine(int port, int baud) override;
    bool SetTimeouts(int milliseconds) override;
    bool ReadControllerId(std::string& text) override;
    void CloseLine() override;
    std::string OpenFailure() const override;

private:
    DeviceLink& link_;
    ConfigurationModel& config_;
    const Clock& clock_;
    PulseReadPolicy readPolicy_;
    int port_ = 0;
};

} // namespace veltrane
