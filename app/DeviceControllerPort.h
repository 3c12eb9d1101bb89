#pragma once

#include "app/ConnectionProcedure.h"
#include "live/ControllerPort.h"
#include "live/PulseReadPolicy.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace veltrane {

class Clock;
class ConfigurationModel;
class DeviceLink;

// The one DeviceLink as the live cycle and the connection procedure see it.
class DeviceControllerPort : public ControllerPort, public ConnectionLine {
public:
    DeviceControllerPort(DeviceLink& link, ConfigurationModel& config, const Clock& clock);

    // On a full-duplex line the next pulse request may go out while a reply is still arriving:
    // as soon as the reply's header and sequence byte are in, one request is sent ahead (never
    // a second, and none for a reply sent twice), and the cycle's request after the reply is
    // then that one. The controller has it when its next pulse fires and answers back to back.
    // Off, a request goes out only after a reply.
    void SetEarlyPulseRequest(bool on);
    bool EarlyPulseRequest() const { return early_; }
    // STX, four header bytes and the command echo.
    static constexpr int kReplyHeaderBytes = 6;

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
    void AskAheadOfReply();

    DeviceLink& link_;
    ConfigurationModel& config_;
    const Clock& clock_;
    PulseReadPolicy readPolicy_;
    bool early_ = false;
    bool askedAhead_ = false;     // a request went out during the reply now arriving
    bool requestIsAhead_ = false; // the reply just read had one: the next RequestPulse is it
    std::vector<std::uint8_t> lastPulseFrame_;
    int port_ = 0;
};

} // namespace veltrane
