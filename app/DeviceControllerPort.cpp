#include "app/DeviceControllerPort.h"

#include "config/ConfigurationModel.h"
#include "device/DeviceLink.h"
#include "device/PortDiagnosis.h"
#include "live/PendingRequest.h"
#include "platform/Clock.h"
#include "protocol/FrameCodec.h"

#include <algorithm>
#include <array>

namespace veltrane {

DeviceControllerPort::DeviceControllerPort(DeviceLink& link, ConfigurationModel& config, const Clock& clock)
    : link_(link), config_(config), clock_(clock) {}

bool DeviceControllerPort::IsOpen() const {
    return link_.IsOpen() && !link_.IsLost();
}

void DeviceControllerPort::SetEarlyPulseRequest(bool on) {
    early_ = on;
}

// At the rate the line last ran at: the session's rate, which the link follows.
bool DeviceControllerPort::Reopen() {
    const int baud = link_.BaudRate();
    link_.Close();
    askedAhead_ = false;
    requestIsAhead_ = false;
    if (!link_.Open(port_, baud, 8, 0, 0)) {
        link_.Close();
        return false;
    }
    link_.SetTimeouts(ConnectionProcedure::kReadTimeoutMs);
    return true;
}

// Read when the policy says the reply is (nearly) all there.
PulseRead DeviceControllerPort::ReadPulse(PulseRecord& record) {
    requestIsAhead_ = false; // stands only for the request right after its own reply
    if (!link_.IsOpen()) {
        return PulseRead::None;
    }
    const int queued = link_.BytesWaiting();
    const std::size_t carried = link_.CarriedBytes();
    if (early_ && !askedAhead_ &&
        static_cast<std::size_t>(std::max(queued, 0)) + carried >=
            static_cast<std::size_t>(kReplyHeaderBytes)) {
        AskAheadOfReply();
    }
    if (!readPolicy_.ReadNow(queued, carried, kPulseReplyLength, link_.BaudRate(), clock_.NowMs())) {
        return PulseRead::None;
    }
    requestIsAhead_ = askedAhead_;
    askedAhead_ = false;
    if (link_.ReadPulse(record, ReadMode::Waiting)) {
        // Two pulses never match to the byte (sequence, time, samples): this is one sent twice.
        const auto frame = link_.Reply();
        if (std::equal(frame.begin(), frame.end(), lastPulseFrame_.begin(), lastPulseFrame_.end())) {
            return PulseRead::Repeated;
        }
        lastPulseFrame_.assign(frame.begin(), frame.end());
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

// A reply's header and sequence byte (unstuffed) tell a new pulse from the last one sent again,
// which answers no request: asking ahead on that one would leave two requests open.
void DeviceControllerPort::AskAheadOfReply() {
    const auto arrived = link_.PeekArrived();
    std::array<std::uint8_t, kReplyHeaderBytes + 1> start{};
    std::size_t have = 0;
    for (std::size_t i = 0; i < arrived.size() && have < start.size(); ++i) {
        start[have++] = arrived[i];
        const bool doubled = (arrived[i] == kStx || arrived[i] == kDle) && i > 0;
        if (doubled && i + 1 < arrived.size() && arrived[i + 1] == arrived[i]) {
            ++i;
        }
    }
    if (have < start.size()) {
        return; // the sequence byte is still on its way
    }
    if (lastPulseFrame_.size() >= start.size() &&
        std::equal(start.begin(), start.end(), lastPulseFrame_.begin())) {
        return;
    }
    askedAhead_ = link_.RequestPulse();
}

bool DeviceControllerPort::RequestPulse() {
    if (requestIsAhead_) {
        requestIsAhead_ = false;
        return true; // already on its way: a second would leave the controller a pulse ahead
    }
    return link_.RequestPulse();
}

void DeviceControllerPort::FlushInput() {
    askedAhead_ = false;
    requestIsAhead_ = false;
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
