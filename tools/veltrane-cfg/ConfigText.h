#pragma once

#include "config/ConfigurationBlock.h"

#include <string>
#include <vector>

namespace veltrane::cfgtext {

// The readable form of a configuration: a comment heading, then one "key = value" line per field in
// a fixed order, so that two configurations can be compared with diff. Text after '#' is a note
// (vocabulary texts) and is ignored when reading. Floats are written so that they read back to the
// same bit pattern: "%.9g", "inf", "-inf", or "nan(0xXXXXXXXX)" with the whole pattern for NaNs.
std::string FormatConfiguration(const ConfigurationBlock& block);

struct ParseError {
    int line = 0; // 0 when the error is not tied to one line (a missing field)
    std::string message;
};

// Reads the text FormatConfiguration writes. Every field must be given exactly once; the keys may
// come in any order. On errors, returns false with every error found, ordered by line.
bool ParseConfiguration(const std::string& text, ConfigurationBlock& block, std::vector<ParseError>& errors);

// Float text as FormatConfiguration writes it, and back.
std::string FormatFloat(float value);
bool ParseFloat(const std::string& text, float& value);

// No real programme comes near this many timed events; the limit keeps a typo from allocating gigabytes.
inline constexpr long kMaxTextTimedEvents = 100000;

} // namespace veltrane::cfgtext
