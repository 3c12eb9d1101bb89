#pragma once

#include "live/ControllerPort.h"
#include "live/LiveHost.h"
#include "live/LiveState.h"
#include "live/PulseRecorderPort.h"
#include "platform/Clock.h"

#include <cstdint>
#include <limits>

namespace veltrane {

// Counters for the figures and the --stats line.
struct CycleStats {
    std::uint64_t ticks = 0;          // ticks that did work
    std::uint64_t pulses = 0;         // pulses received and shown
    std::uint64_t sequenceGaps = 0;   // pulses missing between two received ones
    std::uint64_t duplicates = 0;     // a sequence byte seen twice in a row
    std::uint64_t damagedReplies = 0; // pulse replies lost on the line and asked for again
    std::int64_t firstPulseMs = -1;   // clock time of the first pulse
    std::int64_t longestTickMs = 0;   // longest tick that carried out no request
    std::int64_t longestRequestTickMs = 0;
    std::uint64_t linkLosses = 0; // the line went away
    std::uint64_t reconnects = 0; // and came back
};

// The 10 ms main loop of an online session: at most one deferred request, then at most
// one pulse, its status word and what follows from it.
class AcquisitionCycle {
public:
    static constexpr int kRequestPauseMs = 250;
    static constexpr std::int64_t kStreamRestartMs = 2000;
    static constexpr std::int64_t kReopenIntervalMs = 1000;

    AcquisitionCycle(LiveState& state, ControllerPort& port, LiveHost& host, const Clock& clock,
                     Sleeper& sleeper);

    // The recorder may be replaced at any time; nullptr means nothing records.
    void SetRecorder(PulseRecorderPort* recorder);

    void Tick();
    // One pulse read and its consequences; true when a pulse arrived.
    bool Poll();

    const CycleStats& Stats() const { return stats_; }

private:
    void CarryOut(int code);
    void RunRequest(int code);
    void HandleStatus(const ControllerStatus& status);
    void RestartRecording();
    void CountSequence(const PulseRecord& record);
    bool WatchLink();
    void AskForPulse();

    LiveState& state_;
    ControllerPort& port_;
    LiveHost& host_;
    const Clock& clock_;
    Sleeper& sleeper_;
    NullRecorder nullRecorder_;
    PulseRecorderPort* recorder_;

    bool tickInProgress_ = false;
    bool pmtWarningShown_ = false;
    std::uint16_t previousRunLevel_ = 0;
    // Long ago until the first pulse, so the first tick asks for the stream.
    static constexpr std::int64_t kNoPulseYet = std::numeric_limits<std::int64_t>::min() / 2;
    std::int64_t lastPulseMs_ = kNoPulseYet;
    // The last pulse request sent; a restart waits for its reply (or its time-out) first.
    std::int64_t lastRequestMs_ = kNoPulseYet;

    bool linkLost_ = false;
    std::int64_t lastReopenMs_ = 0;

    bool haveSequence_ = false;
    std::uint8_t lastSequence_ = 0;
    CycleStats stats_;
};

} // namespace veltrane
