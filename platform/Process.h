#pragma once

#include <functional>

namespace veltrane {

// This process's number (for names of temporary files that must not clash between instances).
long CurrentProcessId();

// Calls onStop once, from a thread of its own, at the first stop request: Ctrl+C or a termination
// request (SIGINT, SIGTERM; on Windows a console's Ctrl+C, Ctrl+Break or closing). A second request
// ends the program at once. Set up once per process.
void OnStopRequest(std::function<void()> onStop);

} // namespace veltrane
