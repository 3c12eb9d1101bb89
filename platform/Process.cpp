#include "platform/Process.h"

#include <thread>
#include <utility>

#if defined(_WIN32)
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <unistd.h>
#endif

namespace veltrane {

namespace {

std::function<void()>& StopHandler() {
    static std::function<void()> handler;
    return handler;
}

} // namespace

#if defined(_WIN32)

long CurrentProcessId() {
    return static_cast<long>(::GetCurrentProcessId());
}

namespace {

// Windows calls this on a thread of its own; returning FALSE leaves the event to the default
// handler, which ends the process.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    static bool requested = false;
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
        return FALSE;
    }
    if (requested) {
        return FALSE;
    }
    requested = true;
    StopHandler()();
    return TRUE;
}

} // namespace

void OnStopRequest(std::function<void()> onStop) {
    StopHandler() = std::move(onStop);
    ::SetConsoleCtrlHandler(&OnConsoleEvent, TRUE);
}

#else

long CurrentProcessId() {
    return static_cast<long>(::getpid());
}

namespace {

// The signal handler only writes a byte; a thread waiting for it calls the handler.
int stopPipe[2] = {-1, -1};

void OnStopSignal(int) {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(stopPipe[1], &byte, 1);
}

} // namespace

void OnStopRequest(std::function<void()> onStop) {
    if (::pipe(stopPipe) != 0) {
        return;
    }
    StopHandler() = std::move(onStop);
    std::thread([] {
        char byte = 0;
        ssize_t n = 0;
        do {
            n = ::read(stopPipe[0], &byte, 1);
        } while (n < 0 && errno == EINTR);
        if (n == 1) {
            StopHandler()();
        }
    }).detach();
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
}

#endif

} // namespace veltrane
