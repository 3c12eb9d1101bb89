// The serial port on POSIX systems: a tty opened non-blocking, every wait done with poll().
#include "device/SerialPort.h"

#include "device/BaudRate.h"
#include "device/PortDiagnosis.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace veltrane {

namespace {

std::int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Rates the classic speed table knows; the others go through the kernel's free-rate call.
bool StandardSpeed(int baud, speed_t& speed) {
    switch (baud) {
    case 1200:
        speed = B1200;
        return true;
    case 2400:
        speed = B2400;
        return true;
    case 4800:
        speed = B4800;
        return true;
    case 9600:
        speed = B9600;
        return true;
    case 19200:
        speed = B19200;
        return true;
    case 38400:
        speed = B38400;
        return true;
    case 57600:
        speed = B57600;
        return true;
    case 115200:
        speed = B115200;
        return true;
    default:
        return false;
    }
}

bool CustomSpeed(int baud) {
    return baud == 14400 || baud == 28800;
}

// Errors that mean the device itself went away, not that it is merely quiet.
bool IsVanished(int error) {
    return error == EIO || error == ENXIO || error == ENODEV || error == EBADF;
}

// Modem-line calls do not exist on a pseudo-terminal; that is no fault of the line.
// A port that cannot drive its control lines still transfers data, so the result is not used.
void ModemLines(int fd, unsigned long request, int lines) {
    (void)ioctl(fd, request, &lines);
}

} // namespace

bool SerialPort::SystemOpen(const std::string& path, int accessMode) {
    int flags = O_RDWR;
    if (accessMode == kAccessRead) {
        flags = O_RDONLY;
    } else if (accessMode == kAccessWrite) {
        flags = O_WRONLY;
    }
    const int fd = ::open(path.c_str(), flags | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        SetError(ClassifyOpenError(error), error);
        return false;
    }
    // TIOCEXCL keeps other users out but not root; the lock keeps out everyone, even a
    // second handle of this process.
    if (ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY && errno != EINVAL) {
        const int error = errno;
        ::close(fd);
        SetError(PortError::Io, error);
        return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ioctl(fd, TIOCNXCL);
        ::close(fd);
        SetError(error == EWOULDBLOCK ? PortError::Busy : PortError::Io, error);
        return false;
    }

    handle_ = fd;
    return true;
}

bool SerialPort::ConfigureLine() {
    const int fd = static_cast<int>(handle_);
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        SetError(PortError::LineSetup, errno);
        return false;
    }
    cfmakeraw(&settings);
    tcflag_t size = CS8;
    switch (byteSize_) {
    case 5:
        size = CS5;
        break;
    case 6:
        size = CS6;
        break;
    case 7:
        size = CS7;
        break;
    case 8:
        size = CS8;
        break;
    default:
        SetError(PortError::LineSetup, EINVAL);
        return false;
    }
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | HUPCL);
    settings.c_cflag |= size | CLOCAL | CREAD;
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | ISTRIP | IGNPAR | PARMRK);
    switch (parity_) {
    case 0:
        break;
    case 1:
        settings.c_cflag |= PARENB | PARODD;
        break;
    case 2:
        settings.c_cflag |= PARENB;
        break;
    default:
        SetError(PortError::LineSetup, EINVAL);
        return false;
    }
    if (stopBits_ != 0) {
        settings.c_cflag |= CSTOPB; // one and a half is not available here; two is the nearest
    }
    // Reads never block in the driver: the waiting is done with poll() and our time-outs.
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;

    speed_t speed = B38400;
    const bool standard = StandardSpeed(baudRate_, speed);
    if (!standard && !CustomSpeed(baudRate_)) {
        SetError(PortError::LineSetup, EINVAL);
        return false;
    }
    cfsetispeed(&settings, speed);
    cfsetospeed(&settings, speed);
    if (tcsetattr(fd, TCSANOW, &settings) != 0) {
        SetError(PortError::LineSetup, errno);
        return false;
    }
    if (!standard && !detail::SetCustomBaudRate(fd, baudRate_)) {
        SetError(PortError::LineSetup, errno);
        return false;
    }
    // DTR stays off; RTS is raised only while sending unless held on.
    ModemLines(fd, TIOCMBIC, TIOCM_DTR);
    SetRts(rtsMode_ != 0);
    return true;
}

void SerialPort::SetRts(bool raised) {
    if (handle_ != kInvalidHandle) {
        ModemLines(static_cast<int>(handle_), raised ? TIOCMBIS : TIOCMBIC, TIOCM_RTS);
    }
}

void SerialPort::SystemClose() {
    // Exclusive mode belongs to the tty, not to our descriptor: give it back.
    const int fd = static_cast<int>(handle_);
    ioctl(fd, TIOCNXCL);
    ::close(fd);
}

int SerialPort::SystemWrite(const std::uint8_t* buffer, int count, int& error, bool& vanished) {
    const int fd = static_cast<int>(handle_);
    if (rtsMode_ == 0) {
        SetRts(true);
    }
    int sent = 0;
    int lastError = 0;
    const std::int64_t deadline = NowMs() + writeTimeoutMs_;
    while (sent < count) {
        const ssize_t n = ::write(fd, buffer + sent, static_cast<std::size_t>(count - sent));
        if (n > 0) {
            sent += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            lastError = errno;
            break;
        }
        const std::int64_t left = deadline - NowMs();
        if (left <= 0) {
            lastError = EAGAIN;
            break;
        }
        pollfd waiter{fd, POLLOUT, 0};
        const int ready = poll(&waiter, 1, static_cast<int>(left));
        if (ready < 0 && errno != EINTR) {
            lastError = errno;
            break;
        }
        if (ready > 0 && (waiter.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0 &&
            (waiter.revents & POLLOUT) == 0) {
            lastError = EIO;
            break;
        }
    }
    if (sent > 0) {
        tcdrain(fd); // RTS must stay up until the last stop bit has left
    }
    if (rtsMode_ == 0) {
        SetRts(false);
    }
    error = lastError;
    vanished = IsVanished(lastError);
    return sent;
}

int SerialPort::SystemRead(int count, std::uint8_t* buffer) {
    const int fd = static_cast<int>(handle_);
    // The tty is set to return at once (a read of nothing gives 0, not end of file), so
    // every wait is a poll: total time-out from the start, inter-character from the last byte.
    int got = 0;
    const std::int64_t start = NowMs();
    std::int64_t lastByte = start;
    while (got < count) {
        const std::int64_t now = NowMs();
        std::int64_t left = start + appliedTimeoutMs_ - now;
        if (got > 0) {
            left = std::min(left, lastByte + appliedTimeoutMs_ - now);
        }
        pollfd waiter{fd, POLLIN, 0};
        const int ready = poll(&waiter, 1, static_cast<int>(std::max<std::int64_t>(left, 0)));
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            SetError(PortError::Io, errno);
            break;
        }
        if (ready == 0) {
            break; // time-out
        }
        if ((waiter.revents & POLLNVAL) != 0) {
            MarkLost(EBADF);
            break;
        }
        const bool hungUp = (waiter.revents & (POLLHUP | POLLERR)) != 0;
        const ssize_t n = ::read(fd, buffer + got, static_cast<std::size_t>(count - got));
        if (n > 0) {
            got += static_cast<int>(n);
            lastByte = NowMs();
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno == EAGAIN && !hungUp) {
            continue;
        }
        // Readable but nothing to read, a hang-up, or an I/O error: the device is gone.
        if (n == 0 || hungUp || IsVanished(errno)) {
            MarkLost(n < 0 ? errno : EIO);
        } else {
            SetError(PortError::Io, errno);
        }
        break;
    }
    return got;
}

int SerialPort::SystemBytesWaiting() const {
    int waiting = 0;
    if (ioctl(static_cast<int>(handle_), FIONREAD, &waiting) != 0) {
        return -1;
    }
    return std::max(waiting, 0);
}

void SerialPort::SystemFlushInput() {
    const int fd = static_cast<int>(handle_);
    std::uint8_t scratch[256];
    for (;;) {
        int waiting = 0;
        if (ioctl(fd, FIONREAD, &waiting) != 0) {
            break;
        }
        waiting = std::min(waiting, 255);
        if (waiting <= 0) {
            break;
        }
        const ssize_t n = ::read(fd, scratch, static_cast<std::size_t>(waiting));
        if (n <= 0) {
            break;
        }
    }
}

} // namespace veltrane
