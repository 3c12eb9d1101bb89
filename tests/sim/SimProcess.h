#pragma once

#include <string>
#include <vector>

namespace veltrane::testing {

// pfpd-sim run as a child process; its first line of output names the device to open. Its
// output stays connected until Stop, so later lines cannot end it with a broken pipe.
class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string>& arguments); // after the program name
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Empty when the child did not start or said nothing.
    const std::string& DevicePath() const { return devicePath_; }
    // Sends the signal and waits: the wait status, or -1.
    int Stop(int signal);

private:
    int pid_ = -1;
    int output_ = -1;
    std::string devicePath_;
};

} // namespace veltrane::testing
