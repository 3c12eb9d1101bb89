#include "SimClient.h"

#include "protocol/FrameCodec.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace veltrane::testing {

SimClient::SimClient(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) {
        return;
    }
    ::ioctl(fd_, TIOCEXCL);
    termios settings{};
    ::tcgetattr(fd_, &settings);
    ::cfmakeraw(&settings);
    ::cfsetspeed(&settings, B38400);
    ::tcsetattr(fd_, TCSANOW, &settings);
}

SimClient::~SimClient() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void SimClient::SendRaw(const Bytes& bytes) {
    std::size_t done = 0;
    for (int waits = 0; done < bytes.size() && waits < 20;) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return; // the device is gone
        } else {
            pollfd p{fd_, POLLOUT, 0};
            ::poll(&p, 1, 100);
            ++waits;
        }
    }
}

void SimClient::Send(std::uint8_t index, const Bytes& payload) {
    Bytes body{index};
    body.insert(body.end(), payload.begin(), payload.end());
    SendRaw(BuildFrame(body));
}

bool SimClient::Fill(int timeoutMs) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) {
        return false;
    }
    std::uint8_t buffer[4096];
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n <= 0) {
        return false;
    }
    pending_.insert(pending_.end(), buffer, buffer + n);
    return true;
}

Bytes SimClient::Drain(int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        Fill(10);
    }
    Bytes all;
    all.swap(pending_);
    return all;
}

std::optional<LineReply> SimClient::Read(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    auto left = [&] {
        return static_cast<int>(std::max<long long>(0, std::chrono::duration_cast<std::chrono::milliseconds>(
                                                           deadline - std::chrono::steady_clock::now())
                                                           .count()));
    };
    // Scans pending_ from the start each time more bytes came; simple and plenty fast here.
    while (true) {
        std::size_t start = 0;
        while (start < pending_.size() && pending_[start] != kStx && pending_[start] != kNak) {
            ++start;
        }
        if (start < pending_.size() && pending_[start] == kNak && pending_.size() >= start + 3) {
            LineReply reply;
            reply.nak = true;
            reply.raw.assign(pending_.begin() + static_cast<std::ptrdiff_t>(start),
                             pending_.begin() + static_cast<std::ptrdiff_t>(start + 3));
            reply.body.assign(reply.raw.begin() + 1, reply.raw.end());
            pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(start + 3));
            return reply;
        }
        if (start < pending_.size() && pending_[start] == kStx) {
            LineReply reply;
            std::size_t i = start + 1;
            bool complete = false;
            while (i + 1 < pending_.size()) {
                const std::uint8_t c = pending_[i];
                const std::uint8_t d = pending_[i + 1];
                if ((c == kStx || c == kDle) && d == c) {
                    reply.body.push_back(c);
                    i += 2;
                } else if (c == kDle && d == kEtx) {
                    if (i + 3 < pending_.size()) {
                        const std::uint16_t crc =
                            static_cast<std::uint16_t>((pending_[i + 2] << 8) | pending_[i + 3]);
                        reply.crcOk = Crc16(reply.body) == crc;
                        i += 4;
                        complete = true;
                    }
                    break;
                } else {
                    reply.body.push_back(c);
                    ++i;
                }
            }
            if (complete) {
                reply.raw.assign(pending_.begin() + static_cast<std::ptrdiff_t>(start),
                                 pending_.begin() + static_cast<std::ptrdiff_t>(i));
                pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(i));
                return reply;
            }
        }
        if (left() == 0 || !Fill(left())) {
            return std::nullopt;
        }
    }
}

std::optional<LineReply> SimClient::Exchange(std::uint8_t index, const Bytes& payload, int timeoutMs) {
    Send(index, payload);
    return Read(timeoutMs);
}

Bytes ExpectedReply(std::uint16_t status, std::uint8_t echo, const Bytes& data) {
    Bytes body{0, static_cast<std::uint8_t>(status & 0xFF), static_cast<std::uint8_t>(status >> 8), 0, echo};
    body.insert(body.end(), data.begin(), data.end());
    return BuildFrame(body);
}

} // namespace veltrane::testing
