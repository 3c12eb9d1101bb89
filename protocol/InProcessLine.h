#pragma once

#include <cstdint>

namespace veltrane {

// A line inside this process that stands in for the controller's serial device (the emulator's
// byte pipe): the program's serial port reads and writes it as it would a device. Every call may
// block only as long as its time-out says.
class InProcessLine {
public:
    virtual ~InProcessLine() = default;
    // The device is plugged in: false while the line is hung up.
    virtual bool Connect() = 0;
    virtual void Disconnect() = 0;
    // Up to count bytes, waiting at most totalMs from the call and intervalMs after each byte;
    // -1 when the line was hung up since Connect.
    virtual int Read(std::uint8_t* buffer, int count, int totalMs, int intervalMs) = 0;
    // Bytes taken within timeoutMs; -1 when the line was hung up since Connect.
    virtual int Write(const std::uint8_t* bytes, int count, int timeoutMs) = 0;
    // Bytes waiting to be read; -1 when the line was hung up since Connect.
    virtual int Waiting() = 0;
    virtual void Flush() = 0;
};

} // namespace veltrane
