#include "app/DeviceControllerPort.h"

#include "config/ConfigurationModel.h"
#include "device/DeviceLink.h"
#include "platform/Clock.h"

#include <sys/ioctl.h>

namespace veltrane {

DeviceControllerPort::DeviceControllerPort(DeviceLink& link, ConfigurationModel& config, const Clock& clock)
    : link_(link), config_(config), clock_(clock) {}

bool DeviceControllerPort::IsOpen() const {
    return link_.IsOpen() && !link_.IsLost();
}

bool DeviceControllerPort::Reopen() {
    link_.Close();
    if (!link_.Open(port_, baud_, 8, 0, 0)) {
        link_.Close();
        return false;
    }
    link_.SetTimeouts(ConnectionProcedure::kReadTimeoutMs);
    return true;
}

// A pulse frame takes about 135 ms on the wire at 38400 baud. Reading it as soon as its
// first byte shows would hold the window for that long on every pulse, and reading an
// empty line costs the whole 50 ms time-out on every tick; so the read waits until the
// frame is all there. A short frame (a NAK) is still taken after a modest wait.
bool DeviceControllerPort::ReadPulse(PulseRecord& record) {
    int waiting = 0;
    if (link_.IsOpen() && ::ioctl(link_.Handle(), FIONREAD, &waiting) == 0) {
        waiting += static_cast<int>(link_.CarriedBytes());
        if (waiting == 0) {
            partialSinceMs_ = -1;
            return false;
        }
        if (waiting < kPulseReplyLength) {
            const std::int64_t now = clock_.NowMs();
            if (partialSinceMs_ < 0) {
                partialSinceMs_ = now;
            }
            if (now - partialSinceMs_ < kPartialFrameWaitMs) {
                return false;
            }
        }
    }
    partialSinceMs_ = -1;
    return link_.ReadPulse(record);
}

bool DeviceControllerPort::RequestPulse() {
    return link_.RequestPulse();
}

void DeviceControllerPort::FlushInput() {
    link_.FlushInput();
}

bool DeviceControllerPort::ReceiveAllSettings() {
    return link_.ReceiveAllSettings(config_);
}

bool DeviceControllerPort::TransmitAllSettings() {
    return link_.TransmitAllSettings(config_);
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
    baud_ = baud;
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

bool DeviceControllerPort::PermissionDenied() const {
    return link_.LastError() == PortError::PermissionDenied;
}

std::string DeviceControllerPort::DeviceName() const {
    return link_.DevicePath().empty() ? link_.DevicePathFor(port_) : link_.DevicePath();
}

} // namespace veltrane
