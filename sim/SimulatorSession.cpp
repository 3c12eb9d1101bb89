#include "sim/SimulatorSession.h"

namespace veltrane {

std::unique_ptr<SimulatorSession> SimulatorSession::Start(const EmulatorOptions& options, std::string& error,
                                                          const std::string& linkPath) {
    std::unique_ptr<PseudoTerminal> pty = PseudoTerminal::Open(linkPath, error);
    if (!pty) {
        return nullptr;
    }
    std::unique_ptr<SimulatorSession> session(new SimulatorSession());
    session->pty_ = pty.get();
    session->emulator_ = std::make_unique<ControllerEmulator>(options, std::move(pty));
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

} // namespace veltrane
