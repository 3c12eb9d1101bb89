#pragma once

namespace veltrane::messages {

// Texts the device link shows through Prompts, spelled exactly as the operator sees them.
inline constexpr const char* kInvalidFloatValue = "Invalid Float Value!  (Value Reset To 0)";
inline constexpr const char* kAttenuationOutOfRange = "Attenuation Out Of Range!  (Value Reset To 1)";
inline constexpr const char* kCommandFailed = "Command Failed";
inline constexpr const char* kGateModeCountOutOfRange =
    "Number Of Gate Modes Out Of Range!  (Value Reset To 1)";
inline constexpr const char* kSetAllSettingsFailed = "Set All Settings Failed!";

} // namespace veltrane::messages
