#pragma once

#include "protocol/InProcessLine.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace veltrane {

// The emulator's end of the serial line. The emulator's thread alone reads, writes and waits;
// Wake may come from any thread.
class EmulatorLine {
public:
    virtual ~EmulatorLine() = default;
    // Returns when requests wait to be read, when wantWrite and the line takes bytes again, when
    // Wake was called, or after timeoutMs. While hung up only Wake and the time end it.
    virtual void Wait(int timeoutMs, bool wantWrite) = 0;
    // Ends the current or the next Wait at once.
    virtual void Wake() = 0;
    // Request bytes that have arrived, at most count, without waiting: 0 when none.
    virtual int Read(std::uint8_t* buffer, int count) = 0;
    // Reply bytes the line took, without waiting: 0 when it takes none now, -1 when it is gone.
    virtual int Write(const std::uint8_t* bytes, int count) = 0;
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

    void Wait(int timeoutMs, bool wantWrite) override;
    void Wake() override;
    int Read(std::uint8_t* buffer, int count) override;
    int Write(const std::uint8_t* bytes, int count) override;
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
    int wakeFd_ = -1;
};

// A line inside the process: two bounded byte queues, one each way. The emulator serves one end
// (this object); the program's serial port attaches the other (ProgramEnd). Nothing paces the
// bytes here: the emulator sends its replies at the line rate as it does on a pseudo-terminal.
// A hang-up empties both queues, and the program's reads and writes see a lost port until it
// connects again once the line is restored.
class BytePipe : public EmulatorLine {
public:
    static constexpr std::size_t kCapacity = 4096; // each way, about a UART's and a driver's buffer

    BytePipe();
    ~BytePipe() override;
    BytePipe(const BytePipe&) = delete;
    BytePipe& operator=(const BytePipe&) = delete;

    void Wait(int timeoutMs, bool wantWrite) override;
    void Wake() override;
    int Read(std::uint8_t* buffer, int count) override;
    int Write(const std::uint8_t* bytes, int count) override;
    void HangUp() override;
    bool Restore() override;

    // The end the program's serial port attaches (SerialPort::AttachLine).
    std::shared_ptr<InProcessLine> ProgramEnd() const { return programEnd_; }

private:
    struct Shared;
    class End;

    std::shared_ptr<Shared> shared_;
    std::shared_ptr<InProcessLine> programEnd_;
};

} // namespace veltrane
