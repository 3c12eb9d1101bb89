// The serial port on Windows: a COM port opened exclusively for synchronous I/O, the read and
// write time-outs set on the handle.
#include "device/SerialPort.h"

#include "device/PortDiagnosis.h"

#include <windows.h>

#include <algorithm>
#include <cctype>

namespace veltrane {

namespace {

HANDLE Native(SerialPort::NativeHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// Errors a USB adapter gives once it has been pulled out, or a line whose far end has gone (a
// pseudo-terminal behind a COM port under Wine says "not ready").
bool IsVanished(DWORD error) {
    return error == ERROR_BAD_COMMAND || error == ERROR_ACCESS_DENIED || error == ERROR_OPERATION_ABORTED ||
           error == ERROR_DEVICE_NOT_CONNECTED || error == ERROR_FILE_NOT_FOUND ||
           error == ERROR_INVALID_HANDLE || error == ERROR_GEN_FAILURE || error == ERROR_NOT_READY;
}

void ModemLine(HANDLE handle, DWORD function) {
    // A port that cannot drive its control lines still transfers data: the result is not used.
    (void)EscapeCommFunction(handle, function);
}

// The time-outs of one read and one write. Zero means a read that returns at once with what
// has arrived (all-zero time-outs would wait for ever).
bool ApplyTimeouts(HANDLE handle, int readMs, int writeMs) {
    COMMTIMEOUTS timeouts{};
    if (readMs <= 0) {
        timeouts.ReadIntervalTimeout = MAXDWORD;
    } else {
        timeouts.ReadIntervalTimeout = static_cast<DWORD>(readMs);
        timeouts.ReadTotalTimeoutConstant = static_cast<DWORD>(readMs);
    }
    timeouts.WriteTotalTimeoutConstant = static_cast<DWORD>(std::max(writeMs, 1));
    return SetCommTimeouts(handle, &timeouts) != 0;
}

std::wstring WindowsDeviceName(const std::string& path) {
    // "COM40" (any case) is the port's DOS name; CreateFile needs the device namespace for it
    // (above COM9 it finds nothing without).
    std::string name = path;
    if (name.size() > 3 && (name[0] == 'C' || name[0] == 'c') && (name[1] == 'O' || name[1] == 'o') &&
        (name[2] == 'M' || name[2] == 'm') &&
        std::all_of(name.begin() + 3, name.end(), [](unsigned char c) { return std::isdigit(c) != 0; })) {
        name = "\\\\.\\" + name;
    }
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    if (length > 0) {
        MultiByteToWideChar(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), wide.data(), length);
    }
    return wide;
}

} // namespace

bool SerialPort::SystemOpen(const std::string& path, int accessMode) {
    DWORD access = GENERIC_READ | GENERIC_WRITE;
    if (accessMode == kAccessRead) {
        access = GENERIC_READ;
    } else if (accessMode == kAccessWrite) {
        access = GENERIC_WRITE;
    }
    // No sharing: a second open, ours or another program's, is refused.
    const HANDLE handle = CreateFileW(WindowsDeviceName(path).c_str(), access, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        SetError(ClassifyOpenError(static_cast<int>(error)), static_cast<int>(error));
        return false;
    }
    handle_ = reinterpret_cast<NativeHandle>(handle);
    commTimeoutMs_ = -1;
    return true;
}

bool SerialPort::ConfigureLine() {
    const HANDLE handle = Native(handle_);
    DCB settings{};
    settings.DCBlength = sizeof settings;
    if (!GetCommState(handle, &settings)) {
        SetError(PortError::LineSetup, static_cast<int>(GetLastError()));
        return false;
    }
    if (byteSize_ < 5 || byteSize_ > 8 || parity_ > 2 || stopBits_ > 2) {
        SetError(PortError::LineSetup, ERROR_INVALID_PARAMETER);
        return false;
    }
    settings.BaudRate = static_cast<DWORD>(baudRate_);
    settings.ByteSize = byteSize_;
    settings.Parity = parity_; // none, odd, even: the same numbering as ours
    settings.StopBits = stopBits_;
    settings.fBinary = TRUE;
    settings.fParity = parity_ != 0 ? TRUE : FALSE;
    settings.fOutxCtsFlow = FALSE;
    settings.fOutxDsrFlow = FALSE;
    settings.fDsrSensitivity = FALSE;
    settings.fOutX = FALSE;
    settings.fInX = FALSE;
    settings.fErrorChar = FALSE;
    settings.fNull = FALSE;
    settings.fAbortOnError = FALSE; // a framing error must not stop every later read
    // DTR stays off; RTS is raised only while sending unless held on.
    settings.fDtrControl = DTR_CONTROL_DISABLE;
    settings.fRtsControl = rtsMode_ != 0 ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    if (!SetCommState(handle, &settings)) {
        SetError(PortError::LineSetup, static_cast<int>(GetLastError()));
        return false;
    }
    ModemLine(handle, CLRDTR);
    SetRts(rtsMode_ != 0);
    return true;
}

void SerialPort::SetRts(bool raised) {
    if (handle_ != kInvalidHandle) {
        ModemLine(Native(handle_), raised ? SETRTS : CLRRTS);
    }
}

void SerialPort::SystemClose() {
    CloseHandle(Native(handle_));
}

int SerialPort::SystemWrite(const std::uint8_t* buffer, int count, int& error, bool& vanished) {
    const HANDLE handle = Native(handle_);
    DWORD failure = 0;
    DWORD sent = 0;
    if (!ApplyTimeouts(handle, appliedTimeoutMs_, writeTimeoutMs_)) {
        failure = GetLastError();
    } else {
        commTimeoutMs_ = appliedTimeoutMs_;
        if (rtsMode_ == 0) {
            SetRts(true);
        }
        if (!WriteFile(handle, buffer, static_cast<DWORD>(count), &sent, nullptr)) {
            failure = GetLastError();
        } else if (sent > 0) {
            FlushFileBuffers(handle); // RTS must stay up until the last stop bit has left
        }
        if (rtsMode_ == 0) {
            SetRts(false);
        }
    }
    error = static_cast<int>(failure != 0 || sent > 0 ? failure : WAIT_TIMEOUT);
    vanished = IsVanished(failure);
    return static_cast<int>(sent);
}

int SerialPort::SystemRead(int count, std::uint8_t* buffer) {
    const HANDLE handle = Native(handle_);
    // The driver does the waiting: the total time-out from the start, the interval one after
    // each byte, as on the other systems.
    if (commTimeoutMs_ != appliedTimeoutMs_) {
        if (!ApplyTimeouts(handle, appliedTimeoutMs_, writeTimeoutMs_)) {
            const DWORD error = GetLastError();
            if (IsVanished(error)) {
                MarkLost(static_cast<int>(error));
            } else {
                SetError(PortError::Io, static_cast<int>(error));
            }
            return 0;
        }
        commTimeoutMs_ = appliedTimeoutMs_;
    }
    DWORD got = 0;
    if (!ReadFile(handle, buffer, static_cast<DWORD>(count), &got, nullptr)) {
        const DWORD error = GetLastError();
        if (IsVanished(error)) {
            MarkLost(static_cast<int>(error));
        } else {
            SetError(PortError::Io, static_cast<int>(error));
        }
        return static_cast<int>(got);
    }
    if (got == 0) {
        // A time-out, or a device that has gone: only the port's state tells them apart.
        DWORD errors = 0;
        if (!ClearCommError(handle, &errors, nullptr)) {
            if (const DWORD error = GetLastError(); IsVanished(error)) {
                MarkLost(static_cast<int>(error));
            }
        }
    }
    return static_cast<int>(got);
}

int SerialPort::SystemBytesWaiting() const {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(Native(handle_), &errors, &status)) {
        return -1;
    }
    return static_cast<int>(std::min<DWORD>(status.cbInQue, 0x7FFFFFFF));
}

void SerialPort::SystemFlushInput() {
    PurgeComm(Native(handle_), PURGE_RXCLEAR);
}

} // namespace veltrane
