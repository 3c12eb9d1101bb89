#include "sim/GcCycle.h"

#include "protocol/PulseRecord.h"

#include <algorithm>

namespace veltrane {

GcChanges GcCycle::BeginRun(double now) {
    GcChanges changes;
    if (running_) {
        changes.runEnded = true;
        latched_ |= kStatusGcRunToRun;
    } else {
        latched_ |= kStatusGcReadyToRun;
    }
    running_ = true;
    runStart_ = now;
    changes.runStarted = true;
    return changes;
}

GcChanges GcCycle::Advance(double now) {
    GcChanges changes;
    if (running_ && now - runStart_ >= options_.runLengthSeconds) {
        running_ = false;
        changes.runEnded = true;
    }
    if (options_.runEverySeconds > 0.0) {
        const double next = options_.warmupSeconds + (scheduledStarts_ + 1) * options_.runEverySeconds;
        if (now >= next) {
            ++scheduledStarts_;
            if (!WarmingUp(now)) {
                const GcChanges started = BeginRun(now);
                changes.runEnded = changes.runEnded || started.runEnded;
                changes.runStarted = true;
            }
        }
    }
    return changes;
}

GcChanges GcCycle::StartRun(double now) {
    if (WarmingUp(now)) {
        return {};
    }
    return BeginRun(now);
}

GcChanges GcCycle::ResetToReady(double now) {
    GcChanges changes;
    if (running_) {
        running_ = false;
        changes.runEnded = true;
    }
    if (WarmingUp(now)) {
        warmupCut_ = true;
    }
    latched_ = 0;
    return changes;
}

void GcCycle::RaiseProtection(double now, double seconds) {
    protectedUntil_ = std::max(protectedUntil_, now + seconds);
}

void GcCycle::ObserveLight(double now, bool excessive) {
    if (excessive) {
        RaiseProtection(now, options_.excessHoldSeconds);
    }
}

bool GcCycle::Protected(double now) const {
    const bool episode = options_.pmtEpisodeStart >= 0.0 && now >= options_.pmtEpisodeStart &&
                         now < options_.pmtEpisodeStart + options_.pmtEpisodeLength;
    return episode || now < protectedUntil_;
}

std::uint16_t GcCycle::StatusWord(double now) const {
    std::uint16_t state = kStateReady;
    if (running_) {
        state = kStateRun;
    } else if (WarmingUp(now)) {
        state = kStateNotReady;
    }
    std::uint16_t word = static_cast<std::uint16_t>(state << kStatusStateShift);
    if (Protected(now)) {
        word |= kStatusPmtProtection;
    }
    if (running_) {
        word |= kStatusGcRunLevel;
    }
    return word;
}

std::uint16_t GcCycle::TakePulseStatus(double now) {
    const std::uint16_t word = static_cast<std::uint16_t>(StatusWord(now) | latched_);
    latched_ = 0;
    return word;
}

} // namespace veltrane
