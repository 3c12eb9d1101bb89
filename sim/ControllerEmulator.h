#pragma once

#include "sim/Chromatogram.h"
#include "sim/CommandSet.h"
#include "sim/ControllerMemory.h"
#include "sim/EmulatorLine.h"
#include "sim/FaultInjector.h"
#include "sim/GcCycle.h"
#include "sim/LineEvent.h"
#include "sim/PulseModel.h"
#include "sim/RequestParser.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <random>
#include <span>
#include <string>
#include <thread>

namespace veltrane {

struct EmulatorOptions {
    double rateHz = 3.3;  // pulses per second
    double jitter = 0.03; // relative spread of the pulse interval
    int baud = 38400;     // line rate at the start, for pacing: 10 bits per byte
    bool fast = false;    // no pacing
    std::uint64_t seed = 1;
    std::string eepromPath; // empty: settings are not kept across restarts
    std::string versionText = "PFPD Controller V4.02 (emulated)";
    GcOptions gc;
    FaultOptions faults;
    bool verbose = false; // one line per request on stderr
    // Any other request cancels a pulse request still waiting (an easier controller than the
    // real one, which answers it on its next pulse whatever came meanwhile).
    bool dropPendingPulse = false;
    // Told of pulses sent and faults begun and ended on the line; see LineObserver for the thread
    // and the rules. Empty: nobody is told, and nothing is collected.
    LineObserver observer;
};

struct EmulatorStats {
    std::uint64_t pulsesFired = 0;
    std::uint64_t pulsesSent = 0;
    std::uint64_t requests = 0;
    std::uint64_t naksSent = 0;
    std::uint64_t bytesSent = 0;
    std::uint64_t eventsRun = 0;
    int framingErrors = 0;
    int hangUps = 0;
};

// What the timed events switch that the board record does not show.
struct EventState {
    bool recording = false;
    std::array<bool, kChannelCount> squareRoot{};
};

// The PFPD controller on one end of a serial line, on its own thread. The program talks to it
// synchronously from the other end. A pulse request is answered with the next pulse fired after
// it, as a real controller does: when other requests came meanwhile, the pulse reply goes out
// between or right after their replies (unless the options make other requests cancel it).
// Repeated pulse requests before a pulse fires get one pulse. The line is full duplex: requests are
// taken while a reply is still going out, and their replies follow it in order, so a client that
// asks for the next pulse during a pulse reply gets the pulses back to back. An observer in the
// options is told what happens on the line, as it happens.
class ControllerEmulator {
public:
    ControllerEmulator(EmulatorOptions options, std::unique_ptr<EmulatorLine> line);
    ~ControllerEmulator();
    ControllerEmulator(const ControllerEmulator&) = delete;
    ControllerEmulator& operator=(const ControllerEmulator&) = delete;

    bool Start();
    void Stop();

    // Safe from any thread.
    bool StartGcRun(); // false during the warm-up
    void RaisePmtProtection(double seconds);
    // The next pulse fires when the nth request from now arrives, just before or just after it
    // is answered, whatever the rate, and no pulse before it answers a waiting pulse request: a
    // test's way to land the pulse reply at a chosen place in the middle of a transfer.
    void FirePulseAtRequest(int nth, bool afterItsReply = false);
    ControllerMemory Memory() const;
    EmulatorStats Stats() const;
    EventState Events() const;
    std::uint16_t StatusWord() const;
    // The line rate the replies are paced at from now on (a change of rate on the line: both
    // ends follow it). Safe from any thread.
    void SetLineRate(int baud);
    int LineRate() const { return lineRate_.load(); }
    EmulatorLine& Line() { return *line_; }
    const EmulatorOptions& Options() const { return options_; }

private:
    double Now() const;
    void Run();
    void Step(double now);
    void HandleRequest(const ParsedRequest& request, double now);
    void AnswerRequest(const ParsedRequest& request, double now);
    void SendReply(std::uint8_t index, std::uint16_t status, std::span<const std::uint8_t> data,
                   int pulseSequence = -1);
    void SendNak(std::uint8_t index, std::uint8_t reason, bool injected = false);
    void Enqueue(std::vector<std::uint8_t> bytes, bool isFrame, int pulseSequence, bool injectedNak);
    void ChunkWritten(const OutChunk& chunk, std::chrono::steady_clock::time_point at);
    // Keeps an event for the observer (callers hold mutex_); without a time: now.
    void Record(LineEvent::Kind kind, std::string_view what, int sequence,
                std::chrono::steady_clock::time_point at);
    void Record(LineEvent::Kind kind, std::string_view what);
    void Notify();
    void FirePulse(double now);
    void ScheduleNextPulse(double from);
    void ApplyGcChanges(const GcChanges& changes);
    void RunTimedEvents(double now);
    void ApplyEvent(const std::vector<std::uint8_t>& event);
    void WriteOutput(double now);
    int PollTimeoutMs(double now) const;
    void DropLine();
    // Follows a scheduled fault window: logs its start and end; dropLine drops the line at its start.
    void FollowWindow(bool on, bool& state, std::string_view what, bool dropLine);
    void EnqueueRaw(std::vector<std::uint8_t> bytes);
    std::vector<OutChunk> Misclocked(std::vector<OutChunk> chunks) const;
    void FeedHostileLine(double now);
    // Requests go unheard: silence, or the controller babbling on the line.
    bool Mute() const { return silent_ || dripping_ || noisy_; }

    EmulatorOptions options_;
    std::unique_ptr<EmulatorLine> line_;
    std::chrono::steady_clock::time_point startTime_;

    mutable std::mutex mutex_;
    ControllerMemory memory_;
    GcCycle gc_;
    SampleChromatogram chromatogram_;
    PulseModel pulseModel_;
    FaultInjector faults_;
    RequestParser parser_;
    EmulatorStats stats_;
    EventState events_;

    // Pulse firing.
    std::mt19937_64 timingRng_;
    double nextPulseAt_ = 0.0;
    double plannedInterval_ = 0.0; // seconds between the last pulse and the next
    std::uint8_t sequence_ = 0;
    bool pulseRequested_ = false;
    int firePulseCountdown_ = 0; // requests until FirePulseAtRequest's pulse; 0: none
    bool firePulseAfterReply_ = false;
    PulseSamples lastPulse_{};

    // Timed-event programme of the active run, and what it changed.
    std::vector<bool> eventsDone_;
    ControllerMemory runStartMemory_;
    double recordStop_ = -1.0;

    // Output, paced at the line rate.
    std::deque<OutChunk> output_;
    std::size_t outputPos_ = 0;
    bool pauseTaken_ = false;
    double nextByteAt_ = 0.0;
    double blockedSince_ = -1.0;
    bool hungUp_ = false;
    bool silent_ = false;
    bool dripping_ = false;
    bool noisy_ = false;
    bool wrongBaud_ = false;
    double nextDripAt_ = 0.0;
    std::uint64_t dripBytes_ = 0; // sent in this drip

    // Line events wait here (under mutex_) until the thread tells the observer without the lock.
    std::vector<LineEvent> pendingEvents_;
    std::vector<LineEvent> notifying_; // the emulator thread's own

    std::thread thread_;
    std::atomic<int> lineRate_;
    std::atomic<bool> stop_{false};
};

} // namespace veltrane
