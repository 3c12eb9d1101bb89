#pragma once

// Every text the .dat reader and the re-gating show, spelled once.
namespace veltrane::messages {

// Reading a data file back.
inline constexpr const char* kDatNotDataFile = "This is not a PFPD data file.";
inline constexpr const char* kDatTooShort = "The data file is too short to hold its header.";
inline constexpr const char* kDatBadConfiguration = "The configuration block of the data file is damaged.";
inline constexpr const char* kDatBadDataOffset =
    "The data offset of the data file does not match its contents.";
inline constexpr const char* kDatMissingRecords =
    "The data file holds fewer pulse records than its count says.";
inline constexpr const char* kDatUnreadable = "Unable to read the data file.";

// Re-gating pulses into a chromatogram.
inline constexpr const char* kBadPulseRange = "The pulse range is outside the file's pulses.";
inline constexpr const char* kBadOperator = "The gate operator must be one of - + * /.";

} // namespace veltrane::messages
