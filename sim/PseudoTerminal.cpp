#include "sim/EmulatorLine.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace veltrane {

std::unique_ptr<PseudoTerminal> PseudoTerminal::Open(const std::string& linkPath, std::string& error) {
    std::unique_ptr<PseudoTerminal> pty(new PseudoTerminal(linkPath));
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

int PseudoTerminal::Fd() const {
    std::lock_guard lock(mutex_);
    return master_;
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
