#pragma once

#include "platform/NumberText.h"
#include "protocol/ConfigTypes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace veltrane {

// Index-to-text tables shared by every editor, report and log entry.
inline constexpr std::array<const char*, 23> kGateModeNames = {"S",  "P",  "C",  "N",  "As", "B",  "Bi", "Cr",
                                                               "Cu", "Eu", "Fe", "Ga", "Ge", "Mn", "Ni", "Rh",
                                                               "Ru", "Se", "Si", "Sn", "Te", "W",  "UD"};
inline constexpr std::array<const char*, 4> kOperatorNames = {"-", "+", "*", "/"};
inline constexpr std::array<const char*, 2> kInterpolationNames = {"Linear", "Spline"};
inline constexpr std::array<const char*, 7> kEventTypeNames = {
    "Auto-Zero", "Attenuation", "Range", "Square Root", "Gate", "Record", "Ignitor"};
inline constexpr std::array<const char*, kAttenuationIndexCount> kAttenuationFactors = {
    "1", "2", "4", "8", "16", "32", "64", "128", "256"};
inline constexpr std::array<const char*, 3> kRangeNames = {"1", "10", "100"};
inline constexpr std::array<const char*, 2> kOffOnNames = {"OFF", "ON"};

// The entry at index, or "***" for any index outside the table.
std::string TableText(std::span<const char* const> table, long long index);

// "S", "S-2" ...; "***" when name is not 0..22 (taken unsigned).
std::string GateModeDisplayName(int name, int suffix);

// 2 to the power of exponent, when that fits an int (exponent 0..30).
std::optional<int> AttenuationFactor(long long exponent);

} // namespace veltrane
