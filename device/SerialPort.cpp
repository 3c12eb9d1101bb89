#include "device/SerialPort.h"

#include "platform/Profile.h"

#include <algorithm>

namespace veltrane {

SerialPort::SerialPort(const Profile* profile) : profile_(profile) {}

SerialPort::~SerialPort() {
    // A port left open would keep its lock and handle for the rest of the process.
    Close();
}

std::string SerialPort::DevicePathFor(int port) const {
    if (!deviceOverride_.empty()) {
        return deviceOverride_;
    }
    if (profile_ != nullptr) {
        std::string named = profile_->GetString("Com", "Device" + std::to_string(port), "");
        if (!named.empty()) {
            return named;
        }
    }
#ifdef _WIN32
    return "\\\\.\\COM" + std::to_string(port);
#else
    return "/dev/ttyS" + std::to_string(port - 1);
#endif
}

void SerialPort::AttachLine(std::shared_ptr<InProcessLine> line) {
    Close();
    line_ = std::move(line);
}

bool SerialPort::Open(int port, int baud, int byteSize, int parity, int stopBits) {
    return OpenWithAccess(port, kAccessReadWrite, baud, byteSize, parity, stopBits);
}

bool SerialPort::OpenWithAccess(int port, int accessMode, int baud, int byteSize, int parity, int stopBits) {
    state_ = -1;
    if (port < 1) {
        SetError(PortError::BadPort, 0);
        return false;
    }
    return FullOpen(port, DevicePathFor(port), accessMode, baud, byteSize, parity, stopBits);
}

bool SerialPort::OpenDevice(const std::string& path, int baud, int byteSize, int parity, int stopBits) {
    return FullOpen(portNumber_, path, kAccessReadWrite, baud, byteSize, parity, stopBits);
}

bool SerialPort::FullOpen(int port, const std::string& path, int accessMode, int baud, int byteSize,
                          int parity, int stopBits) {
    state_ = -1;
    if (accessMode != kAccessRead && accessMode != kAccessWrite && accessMode != kAccessReadWrite) {
        SetError(PortError::BadAccessMode, 0);
        return false;
    }
    // A second open (Retry in the connection procedure) must not leak the first handle.
    Close();
    if (line_) {
        if (!line_->Connect()) {
            SetError(PortError::NotFound, 0); // as an adapter that is not plugged in
            return false;
        }
        lineOpen_ = true;
    } else if (!SystemOpen(path, accessMode)) {
        return false;
    }

    lost_ = false;
    appliedTimeoutMs_ = 0;
    devicePath_ = path;
    portNumber_ = port;
    baudRate_ = baud;
    accessMode_ = static_cast<std::uint8_t>(accessMode);
    byteSize_ = static_cast<std::uint8_t>(byteSize);
    parity_ = static_cast<std::uint8_t>(parity);
    stopBits_ = static_cast<std::uint8_t>(stopBits);

    if (!lineOpen_ && !ConfigureLine()) {
        return false; // the handle stays open, the line unconfigured
    }
    state_ = 1;
    SetError(PortError::None, 0);
    return true;
}

bool SerialPort::SetBaudRate(int baud) {
    switch (baud) {
    case 1200:
    case 2400:
    case 4800:
    case 9600:
    case 14400:
    case 19200:
    case 28800:
    case 38400:
    case 57600:
    case 115200:
        break;
    default:
        return false;
    }
    baudRate_ = baud;
    return handle_ == kInvalidHandle || ConfigureLine();
}

void SerialPort::Close() {
    if (lineOpen_) {
        line_->Disconnect();
        lineOpen_ = false;
    }
    if (handle_ != kInvalidHandle) {
        SystemClose();
        handle_ = kInvalidHandle;
    }
}

bool SerialPort::SetTimeouts(int milliseconds) {
    if (state_ >= 0) {
        timeoutRecorded_ = 1;
        timeout_ = static_cast<std::uint32_t>(milliseconds);
    }
    if (!Connected()) {
        return false;
    }
    appliedTimeoutMs_ = std::max(0, milliseconds);
    return true;
}

bool SerialPort::Write(const std::uint8_t* buffer, int count, int* written) {
    if (written != nullptr) {
        *written = 0;
    }
    if (!Connected() || buffer == nullptr) {
        return false;
    }
    if (count <= 0) {
        return count == 0;
    }
    int error = 0;
    bool vanished = false;
    const int sent =
        lineOpen_ ? LineWrite(buffer, count, vanished) : SystemWrite(buffer, count, error, vanished);
    if (written != nullptr) {
        *written = sent;
    }
    if (sent == 0) {
        // Nothing went out: the port is opened again (a device that is back, a driver unstuck).
        if (vanished) {
            MarkLost(error);
        } else {
            SetError(PortError::Io, error);
        }
        ReopenAfterFailedWrite();
        return false;
    }
    return sent == count;
}

bool SerialPort::ReopenAfterFailedWrite() {
    const bool lost = lost_;
    const PortError error = lastError_;
    const int errnoValue = lastErrno_;
    Close();
    if (!FullOpen(portNumber_, devicePath_, accessMode_, baudRate_, byteSize_, parity_, stopBits_)) {
        // A device that is no longer there has vanished, whatever the failed write said.
        if (lost || lastError_ == PortError::NotFound) {
            MarkLost(errnoValue);
        }
        return false;
    }
    // A fresh handle waits for nothing: reads must stay bounded as before the failure.
    if (timeoutRecorded_ != 0) {
        SetTimeouts(static_cast<int>(timeout_));
    }
    if (!lost) {
        SetError(error, errnoValue);
    }
    return true;
}

int SerialPort::Read(int count, std::uint8_t* buffer) {
    if (!Connected() || buffer == nullptr || count <= 0 || lost_) {
        return 0;
    }
    return lineOpen_ ? LineRead(count, buffer) : SystemRead(count, buffer);
}

int SerialPort::BytesWaiting() const {
    if (!Connected() || lost_) {
        return 0;
    }
    return lineOpen_ ? line_->Waiting() : SystemBytesWaiting();
}

int SerialPort::FlushInput() {
    if (lineOpen_) {
        line_->Flush();
    } else if (handle_ != kInvalidHandle) {
        SystemFlushInput();
    }
    return 0;
}

int SerialPort::LineWrite(const std::uint8_t* buffer, int count, bool& vanished) {
    const int sent = line_->Write(buffer, count, writeTimeoutMs_);
    vanished = sent < 0; // unplugged
    return std::max(sent, 0);
}

int SerialPort::LineRead(int count, std::uint8_t* buffer) {
    const int got = line_->Read(buffer, count, appliedTimeoutMs_, appliedTimeoutMs_);
    if (got < 0) {
        MarkLost(0);
        return 0;
    }
    return got;
}

void SerialPort::SetError(PortError error, int errnoValue) {
    lastError_ = error;
    lastErrno_ = errnoValue;
}

void SerialPort::MarkLost(int errnoValue) {
    lost_ = true;
    SetError(PortError::Lost, errnoValue);
}

} // namespace veltrane
