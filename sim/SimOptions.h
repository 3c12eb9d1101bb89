#pragma once

#include "sim/ControllerEmulator.h"

#include <string>
#include <vector>

namespace veltrane {

struct SimCommandLine {
    EmulatorOptions emulator;
    std::string linkPath;     // a stable name for the device, kept across hang-ups
    std::string eventLogPath; // one line per pulse sent and fault begun or ended; empty: none
    bool help = false;
    bool version = false;
};

// Parses pfpd-sim's arguments (without the program name). False with a message in error for
// an unknown option or a bad value.
bool ParseSimCommandLine(const std::vector<std::string>& args, SimCommandLine& out, std::string& error);
std::string SimHelpText();
// Where pfpd-sim keeps its EEPROM image unless told otherwise; the folder is created.
std::string DefaultEepromPath();

} // namespace veltrane
