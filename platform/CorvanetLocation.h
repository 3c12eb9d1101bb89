#pragma once

#include <string>

namespace veltrane {

// The file name of the viewer program, as the main window starts it.
std::string CorvanetProgramName();

// True when folder holds the viewer program as a regular file this user may run.
bool HoldsCorvanet(const std::string& folder);

// Where the viewer is looked for when the profile names no folder, first match wins: the program's
// own folder (an installed package puts both programs in one bin folder), the viewer's folder of a
// build tree beside it (../tools/corvanet), then the absolute entries of searchPath (the PATH
// variable's text) in their order. Empty when none holds it.
std::string FindCorvanetFolder(const std::string& programFolder, const std::string& searchPath);

} // namespace veltrane
