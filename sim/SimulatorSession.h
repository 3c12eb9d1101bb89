#pragma once

#include "sim/ControllerEmulator.h"

#include <memory>
#include <string>

namespace veltrane {

// The line between the program and the emulator it runs.
enum class SimulatedLine {
    PseudoTerminal, // a device the program opens by its path (not on Windows)
    Pipe            // a line inside the process, attached to the program's port
};

#ifdef _WIN32
inline constexpr SimulatedLine kDefaultSimulatedLine = SimulatedLine::Pipe;
#else
inline constexpr SimulatedLine kDefaultSimulatedLine = SimulatedLine::PseudoTerminal;
#endif

// The emulator on a fresh line, for the program's simulated session and for tests: Start returns
// once the line can be opened; destroying the session stops the emulator and removes the device.
class SimulatorSession {
public:
    // The link path names the pseudo-terminal (a pipe has no name).
    static std::unique_ptr<SimulatorSession> Start(const EmulatorOptions& options, std::string& error,
                                                   const std::string& linkPath = {},
                                                   SimulatedLine line = kDefaultSimulatedLine);
    ~SimulatorSession();
    SimulatorSession(const SimulatorSession&) = delete;
    SimulatorSession& operator=(const SimulatorSession&) = delete;

    // The path to open: the link when one was asked for, else the slave device; for a pipe,
    // the name its port shows.
    std::string DevicePath() const;
    // Points the program's serial port at the emulator: every open of it from now on reaches
    // this line.
    template <typename Port> void Connect(Port& port) const {
        if (programEnd_) {
            port.AttachLine(programEnd_);
        } else {
            port.SetDeviceOverride(devicePath_);
        }
    }
    ControllerEmulator& Emulator() { return *emulator_; }

private:
    SimulatorSession() = default;

    std::string devicePath_;
    std::shared_ptr<InProcessLine> programEnd_; // a pipe's
    std::unique_ptr<ControllerEmulator> emulator_;
};

} // namespace veltrane
