#include "SimProcess.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace veltrane::testing {

SimProcess::SimProcess(const std::vector<std::string>& arguments) {
    int out[2];
    if (::pipe(out) != 0) {
        return;
    }
    std::vector<std::string> all{"pfpd-sim"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& argument : all) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::execv(PFPD_SIM_PATH, argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    output_ = out[0];
    char c = 0;
    while (pid_ > 0 && ::read(output_, &c, 1) == 1 && c != '\n') {
        if (c != '\r') {
            devicePath_ += c;
        }
    }
}

SimProcess::~SimProcess() {
    Stop(SIGKILL);
}

int SimProcess::Stop(int signal) {
    int status = -1;
    if (pid_ > 0) {
        ::kill(pid_, signal);
        if (::waitpid(pid_, &status, 0) != pid_) {
            status = -1;
        }
        pid_ = -1;
    }
    if (output_ >= 0) {
        ::close(output_);
        output_ = -1;
    }
    return status;
}

} // namespace veltrane::testing
