#pragma once

#include "device/SerialPort.h"

#include <string>
#include <vector>

namespace veltrane {

// What an open refused by the system means for the operator.
PortError ClassifyOpenError(int errnoValue);

// Where the system keeps what the diagnosis looks at; tests give a folder of their own.
struct SystemFolders {
    std::string dev = "/dev";
    std::string proc = "/proc";
    std::string lock = "/var/lock";
    std::string sys = "/sys";
};

// A process that holds a device open.
struct DeviceHolder {
    int pid = 0;
    std::string name;
};

// The serial devices present: the built-in ports with a UART behind them, the USB adapters
// (ttyUSB*, ttyACM*) and their stable names (serial/by-id/*), each list sorted.
std::vector<std::string> ListSerialDevices(const SystemFolders& folders = {});
// The processes with the device open (their descriptors, as far as this user may look), and the
// owner of a lock file (LCK..NAME) when that names another.
std::vector<DeviceHolder> FindDeviceHolders(const std::string& devicePath, const SystemFolders& folders = {});
// The group owning the device ("dialout" when it cannot be told).
std::string DeviceGroupName(const std::string& devicePath);

// The line below the busy message: the device and why it could not be opened, with what to do.
std::string DescribeOpenFailure(const std::string& devicePath, PortError error, int errnoValue,
                                const SystemFolders& folders = {});

} // namespace veltrane
