#include "platform/Process.h"

#include "platform/FilePath.h"

#include <atomic>
#include <thread>
#include <utility>

#if defined(_WIN32)
#include <windows.h>

#include <shellapi.h>
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

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) {
        return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
    }
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) {
        const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
        ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, text.data(), size, nullptr, nullptr);
        text.resize(text.size() - 1); // the terminating NUL
        arguments.push_back(std::move(text));
    }
    ::LocalFree(wide);
    return arguments;
}

std::string ProgramPath(const char* argv0) {
    std::wstring wide(32768, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, wide.data(), static_cast<DWORD>(wide.size()));
    if (length == 0 || length >= wide.size()) {
        return argv0 != nullptr ? argv0 : "";
    }
    wide.resize(length);
    return Utf8FromPath(std::filesystem::path(wide));
}

long CurrentProcessId() {
    return static_cast<long>(::GetCurrentProcessId());
}

namespace {

// Windows calls this on a thread of its own; returning FALSE leaves the event to the default
// handler, which ends the process.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    static std::atomic<bool> requested{false};
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
        return FALSE;
    }
    if (requested.exchange(true)) {
        return FALSE;
    }
    StopHandler()();
    if (event == CTRL_CLOSE_EVENT) {
        // The process ends when this returns: give the program its few seconds to finish first.
        ::Sleep(4000);
    }
    return TRUE;
}

} // namespace

void OnStopRequest(std::function<void()> onStop) {
    StopHandler() = std::move(onStop);
    ::SetConsoleCtrlHandler(&OnConsoleEvent, TRUE);
}

#else

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::string ProgramPath(const char* argv0) {
    return argv0 != nullptr ? argv0 : "";
}

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
