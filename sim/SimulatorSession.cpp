#include "sim/SimulatorSession.h"

namespace veltrane {

namespace {

constexpr const char* kPipeName = "emulator (in-process line)";

} // namespace

std::unique_ptr<SimulatorSession> SimulatorSession::Start(const EmulatorOptions& options, std::string& error,
                                                          const std::string& linkPath, SimulatedLine line) {
    std::unique_ptr<SimulatorSession> session(new SimulatorSession());
    std::unique_ptr<EmulatorLine> emulatorEnd;
    if (line == SimulatedLine::Pipe) {
        auto pipe = std::make_unique<BytePipe>();
        session->programEnd_ = pipe->ProgramEnd();
        session->devicePath_ = kPipeName;
        emulatorEnd = std::move(pipe);
    } else {
#ifdef _WIN32
        (void)linkPath;
        error = "no pseudo-terminals on this system";
        return nullptr;
#else
        std::unique_ptr<PseudoTerminal> pty = PseudoTerminal::Open(linkPath, error);
        if (!pty) {
            return nullptr;
        }
        session->devicePath_ = pty->DevicePath();
        emulatorEnd = std::move(pty);
#endif
    }
    session->emulator_ = std::make_unique<ControllerEmulator>(options, std::move(emulatorEnd));
    if (!session->emulator_->Start()) {
        error = "cannot start the controller emulator";
        return nullptr;
    }
    return session;
}

SimulatorSession::~SimulatorSession() {
    if (emulator_) {
        emulator_->Stop();
    }
}

std::string SimulatorSession::DevicePath() const {
    return devicePath_;
}

} // namespace veltrane
