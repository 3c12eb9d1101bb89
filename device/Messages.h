#pragma once

namespace veltrane::messages {

// Texts the device link shows through Prompts, spelled exactly as the operator sees them.
inline constexpr const char* kInvalidFloatValue = "Invalid Float Value!  (Value Reset To 0)";
inline constexpr const char* kAttenuationOutOfRange = "Attenuation Out Of Range!  (Value Reset To 1)";
inline constexpr const char* kCommandFailed = "Command Failed";
inline constexpr const char* kGateModeCountOutOfRange =
    "Number Of Gate Modes Out Of Range!  (Value Reset To 1)";
inline constexpr const char* kSetAllSettingsFailed = "Set All Settings Failed!";

// Why the controller's device could not be opened: %1 is the device.
inline constexpr const char* kDeviceNotFound =
    "%1 does not exist. Name the controller's device with --device or in Communications Settings.";
inline constexpr const char* kDevicesPresent = "\nSerial devices present: %1.";
inline constexpr const char* kNoDevicesPresent =
    "\nNo serial devices were found (is the adapter plugged in?).";
inline constexpr const char* kDevicePermission =
    "You may not open %1: it belongs to the group '%2'. Join it with: sudo usermod -aG %2 $USER, then log in "
    "again.";
inline constexpr const char* kDeviceInUse = "%1 is in use by %2.";
inline constexpr const char* kDeviceInUseUnknown = "%1 is in use by another program.";
inline constexpr const char* kDeviceOtherError = "%1 could not be opened: %2.";

} // namespace veltrane::messages
