#include "sim/EmulatorLine.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

namespace veltrane {

std::unique_ptr<PseudoTerminal> PseudoTerminal::Open(const std::string& linkPath, std::string& error) {
    std::unique_ptr<PseudoTerminal> pty(new PseudoTerminal(linkPath));
    pty->wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (pty->wakeFd_ < 0) {
        error = std::string("eventfd: ") + std::strerror(errno);
        return nullptr;
    }
    if (!pty->OpenPair(error)) {
        return nullptr;
    }
    return pty;
}

PseudoTerminal::~PseudoTerminal() {
    std::lock_guard lock(mutex_);
    ClosePair();
    if (!linkPath_.empty()) {
        ::unlink(linkPath_.c_str());
    }
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
    }
}

bool PseudoTerminal::OpenPair(std::string& error) {
    std::lock_guard lock(mutex_);
    if (master_ >= 0) {
        return true;
    }
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        error = std::string("openpty: ") + std::strerror(errno);
        return false;
    }
    termios settings{};
    if (::tcgetattr(slave, &settings) == 0) {
        ::cfmakeraw(&settings);
        settings.c_cflag |= CLOCAL | CREAD;
        ::cfsetspeed(&settings, B38400);
        ::tcsetattr(slave, TCSANOW, &settings);
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    if (!linkPath_.empty()) {
        const std::string temporary = linkPath_ + ".new";
        ::unlink(temporary.c_str());
        if (::symlink(name, temporary.c_str()) != 0 ||
            std::rename(temporary.c_str(), linkPath_.c_str()) != 0) {
            error = "cannot link " + linkPath_ + ": " + std::strerror(errno);
            ::close(master);
            ::close(slave);
            return false;
        }
    }
    master_ = master;
    slave_ = slave;
    slavePath_ = name;
    return true;
}

void PseudoTerminal::ClosePair() {
    if (master_ >= 0) {
        ::close(master_);
    }
    if (slave_ >= 0) {
        ::close(slave_);
    }
    master_ = -1;
    slave_ = -1;
}

void PseudoTerminal::Wait(int timeoutMs, bool wantWrite) {
    const int master = [this] {
        std::lock_guard lock(mutex_);
        return master_;
    }();
    pollfd fds[2] = {{wakeFd_, POLLIN, 0},
                     {master, static_cast<short>(POLLIN | (wantWrite ? POLLOUT : 0)), 0}};
    ::poll(fds, master >= 0 ? 2 : 1, timeoutMs);
    if ((fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0 && (fds[1].revents & POLLIN) == 0) {
        // The far end is gone (a hang-up of the slave): do not spin on it.
        ::poll(fds, 1, timeoutMs);
    }
    if ((fds[0].revents & POLLIN) != 0) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t got = ::read(wakeFd_, &count, sizeof count);
    }
}

void PseudoTerminal::Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

int PseudoTerminal::Read(std::uint8_t* buffer, int count) {
    std::lock_guard lock(mutex_);
    const ssize_t n = master_ >= 0 ? ::read(master_, buffer, static_cast<std::size_t>(count)) : -1;
    return n > 0 ? static_cast<int>(n) : 0;
}

int PseudoTerminal::Write(const std::uint8_t* bytes, int count) {
    std::lock_guard lock(mutex_);
    if (master_ < 0) {
        return -1;
    }
    const ssize_t n = ::write(master_, bytes, static_cast<std::size_t>(count));
    if (n < 0) {
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
    }
    return static_cast<int>(n);
}

void PseudoTerminal::HangUp() {
    std::lock_guard lock(mutex_);
    ClosePair();
}

bool PseudoTerminal::Restore() {
    std::string error;
    return OpenPair(error);
}

std::string PseudoTerminal::SlavePath() const {
    std::lock_guard lock(mutex_);
    return slavePath_;
}

std::string PseudoTerminal::DevicePath() const {
    std::lock_guard lock(mutex_);
    return linkPath_.empty() ? slavePath_ : linkPath_;
}

} // namespace veltrane
