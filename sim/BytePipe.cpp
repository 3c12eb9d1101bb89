#include "sim/EmulatorLine.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>

namespace veltrane {

struct BytePipe::Shared {
    std::mutex mutex;
    std::condition_variable toProgramChanged;  // bytes for the program, or a hang-up
    std::condition_variable toEmulatorChanged; // bytes for the emulator, room for it, or a wake
    std::deque<std::uint8_t> toProgram;
    std::deque<std::uint8_t> toEmulator;
    bool hungUp = false;
    bool woken = false;
    // Counts the hang-ups: a connection made before the last one is lost.
    std::uint64_t hangUps = 0;
};

namespace {

using Clock = std::chrono::steady_clock;

} // namespace

class BytePipe::End : public InProcessLine {
public:
    explicit End(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}

    bool Connect() override {
        std::lock_guard lock(shared_->mutex);
        if (shared_->hungUp) {
            return false;
        }
        connectedAt_ = shared_->hangUps;
        return true;
    }

    void Disconnect() override {}

    int Read(std::uint8_t* buffer, int count, int totalMs, int intervalMs) override {
        std::unique_lock lock(shared_->mutex);
        int got = 0;
        const Clock::time_point end = Clock::now() + std::chrono::milliseconds(std::max(totalMs, 0));
        Clock::time_point deadline = end;
        while (got < count) {
            if (Lost()) {
                return got > 0 ? got : -1;
            }
            if (!shared_->toProgram.empty()) {
                const auto take =
                    std::min<std::size_t>(shared_->toProgram.size(), static_cast<std::size_t>(count - got));
                std::copy_n(shared_->toProgram.begin(), take, buffer + got);
                shared_->toProgram.erase(shared_->toProgram.begin(),
                                         shared_->toProgram.begin() + static_cast<std::ptrdiff_t>(take));
                got += static_cast<int>(take);
                shared_->toEmulatorChanged.notify_all(); // room again
                deadline = std::min(end, Clock::now() + std::chrono::milliseconds(std::max(intervalMs, 0)));
                continue;
            }
            if (shared_->toProgramChanged.wait_until(lock, deadline) == std::cv_status::timeout &&
                shared_->toProgram.empty()) {
                break;
            }
        }
        return got;
    }

    int Write(const std::uint8_t* bytes, int count, int timeoutMs) override {
        std::unique_lock lock(shared_->mutex);
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
        int sent = 0;
        while (sent < count) {
            if (Lost()) {
                return -1;
            }
            const std::size_t room = kCapacity - shared_->toEmulator.size();
            if (room > 0) {
                const auto take = std::min<std::size_t>(room, static_cast<std::size_t>(count - sent));
                shared_->toEmulator.insert(shared_->toEmulator.end(), bytes + sent, bytes + sent + take);
                sent += static_cast<int>(take);
                shared_->toEmulatorChanged.notify_all();
                continue;
            }
            if (shared_->toProgramChanged.wait_until(lock, deadline) == std::cv_status::timeout) {
                break;
            }
        }
        return sent;
    }

    int Waiting() override {
        std::lock_guard lock(shared_->mutex);
        return Lost() ? -1 : static_cast<int>(shared_->toProgram.size());
    }

    void Flush() override {
        std::lock_guard lock(shared_->mutex);
        shared_->toProgram.clear();
        shared_->toEmulatorChanged.notify_all();
    }

private:
    // Callers hold the mutex.
    bool Lost() const { return shared_->hungUp || shared_->hangUps != connectedAt_; }

    std::shared_ptr<Shared> shared_;
    std::uint64_t connectedAt_ = 0;
};

BytePipe::BytePipe() : shared_(std::make_shared<Shared>()), programEnd_(std::make_shared<End>(shared_)) {}

BytePipe::~BytePipe() {
    // The program may hold its end longer than the emulator lives: it sees the line gone.
    HangUp();
}

void BytePipe::Wait(int timeoutMs, bool wantWrite) {
    std::unique_lock lock(shared_->mutex);
    shared_->toEmulatorChanged.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)), [&] {
        return shared_->woken || (!shared_->hungUp && (!shared_->toEmulator.empty() ||
                                                       (wantWrite && shared_->toProgram.size() < kCapacity)));
    });
    shared_->woken = false;
}

void BytePipe::Wake() {
    std::lock_guard lock(shared_->mutex);
    shared_->woken = true;
    shared_->toEmulatorChanged.notify_all();
}

int BytePipe::Read(std::uint8_t* buffer, int count) {
    std::lock_guard lock(shared_->mutex);
    const auto take =
        std::min<std::size_t>(shared_->toEmulator.size(), static_cast<std::size_t>(std::max(count, 0)));
    std::copy_n(shared_->toEmulator.begin(), take, buffer);
    shared_->toEmulator.erase(shared_->toEmulator.begin(),
                              shared_->toEmulator.begin() + static_cast<std::ptrdiff_t>(take));
    if (take > 0) {
        shared_->toProgramChanged.notify_all(); // room for the program's writes
    }
    return static_cast<int>(take);
}

int BytePipe::Write(const std::uint8_t* bytes, int count) {
    std::lock_guard lock(shared_->mutex);
    if (shared_->hungUp) {
        return -1;
    }
    const auto take = std::min<std::size_t>(kCapacity - shared_->toProgram.size(),
                                            static_cast<std::size_t>(std::max(count, 0)));
    shared_->toProgram.insert(shared_->toProgram.end(), bytes, bytes + take);
    if (take > 0) {
        shared_->toProgramChanged.notify_all();
    }
    return static_cast<int>(take);
}

void BytePipe::HangUp() {
    std::lock_guard lock(shared_->mutex);
    if (!shared_->hungUp) {
        shared_->hungUp = true;
        ++shared_->hangUps;
        shared_->toProgram.clear();
        shared_->toEmulator.clear();
    }
    shared_->toProgramChanged.notify_all();
    shared_->toEmulatorChanged.notify_all();
}

bool BytePipe::Restore() {
    std::lock_guard lock(shared_->mutex);
    shared_->hungUp = false;
    return true;
}

} // namespace veltrane
