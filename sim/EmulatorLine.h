#pragma once

#include <memory>
#include <mutex>
#include <string>

namespace veltrane {

// The emulator's end of the serial line.
class EmulatorLine {
public:
    virtual ~EmulatorLine() = default;
    // Descriptor to read requests from and write replies to; -1 while hung up.
    virtual int Fd() const = 0;
    // Pulls the plug: the far end sees what an unplugged adapter gives it.
    virtual void HangUp() = 0;
    // Plugs it back in; false when that failed (the emulator tries again later).
    virtual bool Restore() = 0;
};

// A pseudo-terminal pair. The emulator serves the master; the program opens the slave path.
// The slave end is kept open here too, so the master never sees a hang-up when the program
// closes and reopens the device, and the slave is set raw before anyone else opens it (an
// echoing slave would send the emulator's own replies back to it). A hang-up closes both ends:
// the device path vanishes as an unplugged adapter's does; a restore opens a new pair and, when
// a link path was given, points that link at it so the program can open the same name again.
class PseudoTerminal : public EmulatorLine {
public:
    // Empty link path: no link. On failure returns nullptr and sets error.
    static std::unique_ptr<PseudoTerminal> Open(const std::string& linkPath, std::string& error);
    ~PseudoTerminal() override;
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    int Fd() const override;
    void HangUp() override;
    bool Restore() override;

    std::string SlavePath() const;
    // The name for clients: the link when there is one, else the slave path.
    std::string DevicePath() const;

private:
    explicit PseudoTerminal(std::string linkPath) : linkPath_(std::move(linkPath)) {}
    bool OpenPair(std::string& error);
    void ClosePair();

    mutable std::mutex mutex_;
    std::string linkPath_;
    std::string slavePath_;
    int master_ = -1;
    int slave_ = -1;
};

} // namespace veltrane
