#pragma once

#include "platform/Clock.h"
#include "protocol/ConfigTypes.h"

#include <string>

namespace veltrane {

// The text that follows a gate-mode heading in the run log: two lines, each starting with a line end.
std::string ModeText(const GateMode& mode);

// One line of a timed-event list entry, starting with a line end.
std::string EventLine(const TimedEvent& event);

// The date and time heading of a run-log entry: "MM/DD/YY" and "HH:MM:SS".
std::string LogDate(const LocalDateTime& when);
std::string LogTime(const LocalDateTime& when);

} // namespace veltrane
