#pragma once

#include <functional>
#include <string>
#include <vector>

namespace veltrane {

// The program's arguments (without its own name) as UTF-8: the bytes given on Linux; on Windows
// taken from the UTF-16 command line, since argv there holds them in the ANSI code page and loses
// every character outside it.
std::vector<std::string> CommandLineArguments(int argc, char** argv);
// The program's own path as UTF-8: argv0 as given on Linux, the module's file on Windows.
std::string ProgramPath(const char* argv0);

// This process's number (for names of temporary files that must not clash between instances).
long CurrentProcessId();

// Calls onStop once, from a thread of its own, at the first stop request: Ctrl+C or a termination
// request (SIGINT, SIGTERM; on Windows a console's Ctrl+C, Ctrl+Break or closing). A second request
// ends the program at once. Set up once per process.
void OnStopRequest(std::function<void()> onStop);

} // namespace veltrane
