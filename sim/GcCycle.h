#pragma once

#include <cstdint>

namespace veltrane {

struct GcOptions {
    double warmupSeconds = 3.0;     // NOT READY from power-on for this long
    double runEverySeconds = 0.0;   // 0: runs start only on command
    double runLengthSeconds = 60.0; // GC run input active this long
    double pmtEpisodeStart = -1.0;  // seconds after power-on; negative: none
    double pmtEpisodeLength = 0.0;
    double excessHoldSeconds = 3.0; // protection stays this long after the last excessive light
};

// What one step of the cycle changed, so the owner can run its timed-event programme.
struct GcChanges {
    bool runEnded = false; // also set when a run is cut short by the next one
    bool runStarted = false;
};

// The GC run cycle and PMT protection as the status word shows them.
//
// Status word: bit 0 PMT protection; bits 1-2 the state (NOT READY during the warm-up, RUN while
// the GC run input is active, READY otherwise); bit 3 the run level; bit 4 ready-to-run and bit 5
// run-to-run. The two transition bits are latched when the transition happens and reported in
// the status word of exactly one pulse reply, the first one built after the transition
// (TakePulseStatus); other replies carry bits 0-3 only. A run started while one is active is a
// run-to-run transition: the run level stays 1 and the run time restarts.
class GcCycle {
public:
    explicit GcCycle(GcOptions options) : options_(options) {}

    GcChanges Advance(double now);
    // A run started on command; refused (false) during the warm-up.
    GcChanges StartRun(double now);
    // Back to READY: an active run ends, the warm-up is cut short, latched transitions clear.
    GcChanges ResetToReady(double now);
    void RaiseProtection(double now, double seconds);
    void ObserveLight(double now, bool excessive);

    std::uint16_t StatusWord(double now) const;
    std::uint16_t TakePulseStatus(double now);

    bool Running() const { return running_; }
    bool WarmingUp(double now) const { return !warmupCut_ && now < options_.warmupSeconds; }
    bool Protected(double now) const;
    // Seconds since the active run started, or since power-on before the first run.
    double RunSeconds(double now) const { return now - runStart_; }
    const GcOptions& Options() const { return options_; }

private:
    GcChanges BeginRun(double now);

    GcOptions options_;
    bool warmupCut_ = false;
    bool running_ = false;
    double runStart_ = 0.0;
    int scheduledStarts_ = 0;
    std::uint16_t latched_ = 0;
    double protectedUntil_ = -1.0;
};

} // namespace veltrane
