#pragma once

#include <chrono>
#include <thread>

namespace veltrane::testing {

// How long a test waits for something that takes a fraction of that on an idle machine.
inline constexpr std::chrono::milliseconds kGenerousDeadline{15000};

// Checks done every few milliseconds until it holds or the deadline passes; what done gives last.
// Tests wait for what they expect rather than for a fixed time, so a loaded machine only slows them.
template <typename Done>
bool WaitFor(Done done, std::chrono::milliseconds deadline = kGenerousDeadline,
             std::chrono::milliseconds step = std::chrono::milliseconds(5)) {
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until) {
            return done();
        }
        std::this_thread::sleep_for(step);
    }
    return true;
}

} // namespace veltrane::testing
