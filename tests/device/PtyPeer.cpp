#include "PtyPeer.h"

#include "protocol/FrameCodec.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace veltrane::testing {

PtyPair::PtyPair() {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        throw std::runtime_error("openpty failed");
    }
    slavePath_ = name;
    // The master side must pass bytes through untouched as well.
    termios settings{};
    tcgetattr(master_, &settings);
    cfmakeraw(&settings);
    tcsetattr(master_, TCSANOW, &settings);
}

PtyPair::~PtyPair() {
    HangUp();
}

void PtyPair::HangUp() {
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
    if (slave_ >= 0) {
        ::close(slave_);
        slave_ = -1;
    }
}

void PtyPair::WriteMaster(const Bytes& bytes) const {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

Bytes PtyPair::ReadMaster(int waitMs) const {
    Bytes out;
    for (;;) {
        pollfd waiter{master_, POLLIN, 0};
        if (poll(&waiter, 1, waitMs) <= 0 || (waiter.revents & POLLIN) == 0) {
            return out;
        }
        std::uint8_t buffer[4096];
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0) {
            return out;
        }
        out.insert(out.end(), buffer, buffer + n);
        waitMs = 20;
    }
}

EndlessNoise::EndlessNoise(PtyPair& pty, int chunk, int pauseMs, int maxMs) {
    thread_ = std::thread([this, &pty, chunk, pauseMs, maxMs] {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
        std::uint8_t next = 0;
        while (!stop_ && std::chrono::steady_clock::now() < end) {
            Bytes bytes;
            for (int k = 0; k < chunk; ++k, ++next) {
                bytes.push_back(next % 64 == 0 ? 0x02 : 0x41);
            }
            // Never blocks on a full line, so that stopping never waits for a reader.
            pollfd waiter{pty.Master(), POLLOUT, 0};
            if (poll(&waiter, 1, 0) > 0 && (waiter.revents & POLLOUT) != 0) {
                pty.WriteMaster(bytes);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        }
    });
}

EndlessNoise::~EndlessNoise() {
    stop_ = true;
    thread_.join();
}

Bytes ReplyFrame(std::uint8_t echo, const Bytes& data, std::uint16_t status) {
    Bytes body{0, static_cast<std::uint8_t>(status & 0xFF), static_cast<std::uint8_t>(status >> 8), 0, echo};
    body.insert(body.end(), data.begin(), data.end());
    return BuildFrame(body);
}

ScriptedPeer::ScriptedPeer(PtyPair& pty, Handler handler) : pty_(pty), handler_(std::move(handler)) {
    thread_ = std::thread([this] { Run(); });
}

ScriptedPeer::~ScriptedPeer() {
    stop_ = true;
    thread_.join();
}

std::vector<Bytes> ScriptedPeer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<std::uint8_t> ScriptedPeer::Commands() const {
    std::vector<std::uint8_t> commands;
    for (const Bytes& request : Requests()) {
        commands.push_back(request.empty() ? 0 : request[0]);
    }
    return commands;
}

void ScriptedPeer::Run() {
    while (!stop_) {
        pollfd waiter{pty_.Master(), POLLIN, 0};
        if (poll(&waiter, 1, 5) <= 0 || (waiter.revents & POLLIN) == 0) {
            continue;
        }
        std::uint8_t buffer[1024];
        const ssize_t n = ::read(pty_.Master(), buffer, sizeof buffer);
        for (ssize_t k = 0; k < n; ++k) {
            Take(buffer[k]);
        }
    }
}

void ScriptedPeer::Take(std::uint8_t byte) {
    switch (state_) {
    case State::Idle:
        if (byte == kStx) {
            body_.clear();
            state_ = State::Body;
        }
        return;
    case State::Body:
        if (byte == kStx) {
            state_ = State::BodyStx;
        } else if (byte == kDle) {
            state_ = State::BodyDle;
        } else {
            body_.push_back(byte);
        }
        return;
    case State::BodyStx:
        body_.push_back(kStx); // doubled STX
        state_ = State::Body;
        return;
    case State::BodyDle:
        if (byte == kDle) {
            body_.push_back(kDle);
            state_ = State::Body;
        } else {
            state_ = byte == kEtx ? State::Crc1 : State::Idle;
        }
        return;
    case State::Crc1:
        crc_ = static_cast<std::uint16_t>(byte << 8);
        state_ = State::Crc2;
        return;
    case State::Crc2: {
        crc_ = static_cast<std::uint16_t>(crc_ | byte);
        state_ = State::Idle;
        if (crc_ != Crc16(body_) || body_.empty()) {
            pty_.WriteMaster(Bytes{kNak, 0, 0});
            return;
        }
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(body_);
        }
        const Bytes payload(body_.begin() + 1, body_.end());
        for (const Piece& piece : handler_(body_[0], payload)) {
            if (piece.pauseBeforeMs > 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(piece.pauseBeforeMs));
            }
            pty_.WriteMaster(piece.bytes);
        }
        return;
    }
    }
}

} // namespace veltrane::testing
