#include "app/DeviceControllerPort.h"

#include "config/ConfigurationModel.h"
#include "device/DeviceLink.h"
#include "device/PortDiagnosis.h"
#include "live/PendingRequest.h"
#include "platform/Clock.h"

#include <algorithm>

namespace veltrane {

DeviceControllerPort::DeviceControllerPort(DeviceLink& link, ConfigurationModel& config, const Clock& clock)
    : link_(link), config_(config), clock_(clock) {}

bool DeviceControllerPort::IsOpen() const {
    return link_.IsOpen() && !link_.IsLost();
}

// At the rate the line last ran at: the session's rate, which the link follows.
bool DeviceControllerPort::Reopen() {
    const int baud = link_.BaudRate();
    link_.Close();
    if (!link_.Open(port_, baud, 8, 0, 0)) {
        link_.Close();
        return false;
    }
    link_.SetTimeouts(ConnectionProcedure::kReadTimeoutMs);
    return true;
}

// Read when the policy says the reply is (nearly) all there.
PulseRead DeviceControllerPort::ReadPulse(PulseRecord& record) {
    if (!link_.IsOpen()) {
        return PulseRead::None;
    }
    if (!readPolicy_.ReadNow(link_.BytesWaiting(), link_.CarriedBytes(), kPulseReplyLength, link_.BaudRate(),
                             clock_.NowMs())) {
        return PulseRead::None;
    }
    if (link_.ReadPulse(record, ReadMode::Waiting)) {
        return PulseRead::Pulse;
    }
    switch (link_.LastFrameResult()) {
    case FrameResult::BadCrc:
    case FrameResult::Nak:
    case FrameResult::Dropped:
        return PulseRead::Damaged;
    default:
        // Nothing, or a whole frame that answers something else: the pulse request may
        // still be on its way, so it is not asked again here.
        return PulseRead::None;
    }
}

bool DeviceControllerPort::RequestPulse() {
    return link_.RequestPulse();
}

void DeviceControllerPort::FlushInput() {
    link_.FlushInput();
}

bool DeviceControllerPort::ReceiveAllSettings() {
    const bool ok = link_.ReceiveAllSettings(config_);
    if (settingsExchanged) {
        settingsExchanged(kRequestReceiveAll, ok);
    }
    return ok;
}

bool DeviceControllerPort::TransmitAllSettings() {
    const bool ok = link_.TransmitAllSettings(config_);
    if (settingsExchanged) {
        settingsExchanged(kRequestTransmitAll, ok);
    }
    return ok;
}

void DeviceControllerPort::ResetToReady() {
    link_.ResetToReady();
}

void DeviceControllerPort::WriteChannelZero(int channel) {
    link_.WriteChannelZero(channel, config_.GetChannel(channel).zeroValue);
}

bool DeviceControllerPort::ReadDspMode(int& mode) {
    return link_.ReadDspMode(mode);
}

void DeviceControllerPort::SaveToEeprom() {
    link_.SaveToEeprom();
}

bool DeviceControllerPort::OpenLine(int port, int baud) {
    port_ = port;
    return link_.Open(port, baud, 8, 0, 0);
}

bool DeviceControllerPort::SetTimeouts(int milliseconds) {
    return link_.SetTimeouts(milliseconds);
}

bool DeviceControllerPort::ReadControllerId(std::string& text) {
    return link_.ReadControllerId(text);
}

void DeviceControllerPort::CloseLine() {
    link_.Close();
}

std::string DeviceControllerPort::OpenFailure() const {
    if (link_.IsOpen()) {
        return {};
    }
    const std::string device = link_.DevicePath().empty() ? link_.DevicePathFor(port_) : link_.DevicePath();
    return DescribeOpenFailure(device, link_.LastError(), link_.LastErrno());
}

} // namespace veltrane
