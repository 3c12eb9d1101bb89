#pragma once

#include <string>

namespace veltrane::bench {

// A day's recording in the system's temporary folder, written on first use in a run: about
// 285,000 pulses at 3.3 Hz (24 hours), 144 MB.
const std::string& DayFile();

} // namespace veltrane::bench
