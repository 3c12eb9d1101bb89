#pragma once

#include "datafile/DataFileReader.h"

#include <string>
#include <vector>

namespace veltrane::corvanet {

// Reads a whole .dat file into memory in large blocks and hands the bytes to the data file reader.
// False with a plain message for a missing, unreadable, malformed or truncated file.
bool LoadDataFile(const std::string& path, DataFileContents& out, std::string& error);

// The header and configuration of a .dat file and no pulses: only the first bytes are read, however
// long the file. False with a plain message as LoadDataFile.
bool LoadDataFileHead(const std::string& path, DataFileContents& out, std::string& error);

// Notes worth telling the user about a file that was read (recovered records, a cut record).
std::vector<std::string> LoadNotes(const DataFileContents& file);

// The .dat files of a folder (names compared without regard to case), sorted by name, so a
// numbered series comes in recording order. Empty when the folder holds none or cannot be read.
std::vector<std::string> ListSeries(const std::string& folder);

// "2026-12-07 14:05" from the header's opening date and time.
std::string OpenedText(const DataFileHeader& header);

} // namespace veltrane::corvanet
