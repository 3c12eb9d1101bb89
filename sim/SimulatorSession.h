#pragma once

#include "sim/ControllerEmulator.h"

#include <memory>
#include <string>

namespace veltrane {

// The emulator on a fresh pseudo-terminal, for the program's simulated session and for tests:
// Start returns once the device can be opened; destroying the session stops the emulator and
// removes the device.
class SimulatorSession {
public:
    static std::unique_ptr<SimulatorSession> Start(const EmulatorOptions& options, std::string& error,
                                                   const std::string& linkPath = {});
    ~SimulatorSession();
    SimulatorSession(const SimulatorSession&) = delete;
    SimulatorSession& operator=(const SimulatorSession&) = delete;

    // The path to open: the link when one was asked for, else the slave device.
    std::string DevicePath() const { return pty_->DevicePath(); }
    ControllerEmulator& Emulator() { return *emulator_; }

private:
    SimulatorSession() = default;

    PseudoTerminal* pty_ = nullptr; // owned by the emulator
    std::unique_ptr<ControllerEmulator> emulator_;
};

} // namespace veltrane
