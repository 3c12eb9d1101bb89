#pragma once

#include "protocol/InProcessLine.h"

#include <cstdint>
#include <memory>
#include <string>

namespace veltrane {

class Profile;

// Why the last open, read or write went wrong, for the shell to tell the operator.
enum class PortError {
    None,
    BadPort,          // port number below 1
    BadAccessMode,    // access mode other than 0, 1, 2
    NotFound,         // no such device
    Busy,             // held by another process (or another handle of ours)
    PermissionDenied, // the user may not open the device (serial group)
    LineSetup,        // opened, but the line could not be configured
    Lost,             // the device vanished while open (adapter unplugged, hang-up)
    Io                // any other system error
};

// The one serial line to the controller: an exclusive open of a tty (a COM port on Windows), raw
// 8-bit transfer, reads bounded by a total and an inter-character time-out, synchronous writes.
class SerialPort {
public:
    // A descriptor on POSIX systems, a HANDLE on Windows.
    using NativeHandle = std::intptr_t;
    static constexpr NativeHandle kInvalidHandle = -1;
    static constexpr int kAccessRead = 0;
    static constexpr int kAccessWrite = 1;
    static constexpr int kAccessReadWrite = 2;

    // The profile names the device of a numbered port ("Com"/"Device<n>"); without it
    // port n is /dev/ttyS<n-1> (\\.\COM<n> on Windows).
    explicit SerialPort(const Profile* profile = nullptr);
    virtual ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens port n for reading and writing. An already open handle is closed first.
    virtual bool Open(int port, int baud, int byteSize, int parity, int stopBits);
    virtual void Close();
    // The full open with an explicit access mode (0 read, 1 write, 2 both).
    bool OpenWithAccess(int port, int accessMode, int baud, int byteSize, int parity, int stopBits);
    // Opens a device by path, bypassing the port-number mapping.
    bool OpenDevice(const std::string& path, int baud, int byteSize = 8, int parity = 0, int stopBits = 0);

    // A device path that replaces the mapping of every numbered port (empty: use the mapping).
    void SetDeviceOverride(const std::string& path) { deviceOverride_ = path; }
    std::string DevicePathFor(int port) const;
    // From now on every open connects to this line instead of a device (null: devices again).
    // An open port is closed first.
    void AttachLine(std::shared_ptr<InProcessLine> line);

    virtual bool IsOpen() const { return Connected(); }

    bool SetTimeouts(int milliseconds);
    // The line rate from now on: an open line switches to it at once, a closed one opens at it
    // the next time it is opened again. False, changing nothing, for a rate the line cannot run at.
    bool SetBaudRate(int baud);
    // Upper bound for one Write to get rid of its bytes (the line never blocks us for long,
    // but a stuck driver or an unread pseudo-terminal could).
    void SetWriteTimeout(int milliseconds) { writeTimeoutMs_ = milliseconds; }

    // Writes the whole buffer. When nothing could be written the port is closed and opened
    // again with the saved settings and time-out, and the write fails.
    virtual bool Write(const std::uint8_t* buffer, int count, int* written = nullptr);
    // Up to count bytes, waiting at most the time-out; 0 on time-out, failure, a closed or a lost port.
    virtual int Read(int count, std::uint8_t* buffer);
    // Drops whatever is waiting to be read. Always 0.
    virtual int FlushInput();
    // Bytes that have arrived and wait to be read; 0 on a closed or lost port, -1 when the
    // query fails (a vanished device: a read then tells what happened).
    int BytesWaiting() const;

    // The device vanished (hang-up, I/O error, end of file); reads return 0 at once until
    // the port is opened again.
    bool IsLost() const { return lost_; }
    PortError LastError() const { return lastError_; }
    int LastErrno() const { return lastErrno_; }

    int PortNumber() const { return portNumber_; }
    int BaudRate() const { return baudRate_; }
    int AccessMode() const { return accessMode_; }
    int State() const { return state_; }
    bool TimeoutRecorded() const { return timeoutRecorded_ != 0; }
    int Timeout() const { return timeout_; }
    const std::string& DevicePath() const { return devicePath_; }
    NativeHandle Handle() const { return handle_; }

protected:
    bool FullOpen(int port, const std::string& path, int accessMode, int baud, int byteSize, int parity,
                  int stopBits);
    void SetError(PortError error, int errnoValue);
    void MarkLost(int errnoValue);

private:
    // What the system does; one implementation for POSIX, one for Windows.
    bool SystemOpen(const std::string& path, int accessMode);
    void SystemClose();
    // Bytes written; on none, the system's error and whether it means the device has gone.
    int SystemWrite(const std::uint8_t* buffer, int count, int& error, bool& vanished);
    int SystemRead(int count, std::uint8_t* buffer);
    int SystemBytesWaiting() const;
    void SystemFlushInput();
    bool ConfigureLine();
    void SetRts(bool raised);
    bool ReopenAfterFailedWrite();

    // A device handle or the in-process line is open, whatever a subclass says IsOpen.
    bool Connected() const { return handle_ != kInvalidHandle || lineOpen_; }
    int LineWrite(const std::uint8_t* buffer, int count, bool& vanished);
    int LineRead(int count, std::uint8_t* buffer);

    const Profile* profile_ = nullptr;
    std::string deviceOverride_;

    NativeHandle handle_ = kInvalidHandle;
    std::shared_ptr<InProcessLine> line_;
    bool lineOpen_ = false;
    int portNumber_ = 0;
    int baudRate_ = 0;
    std::uint8_t accessMode_ = 0;
    std::uint8_t byteSize_ = 8;
    std::uint8_t parity_ = 0;
    std::uint8_t stopBits_ = 0;
    std::uint32_t rtsMode_ = 0;
    std::int32_t state_ = -1;
    std::uint32_t timeoutRecorded_ = 0;
    std::uint32_t timeout_ = 0;

    std::string devicePath_;
    int appliedTimeoutMs_ = 0; // what reads wait now; each open starts without a time-out
    int commTimeoutMs_ = -1;   // the read time-out set on a Windows handle (-1: none yet)
    int writeTimeoutMs_ = 2000;
    bool lost_ = false;
    PortError lastError_ = PortError::None;
    int lastErrno_ = 0;
};

} // namespace veltrane
