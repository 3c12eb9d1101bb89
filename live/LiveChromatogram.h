#pragma once

#include "datafile/Regating.h"
#include "protocol/PulseRecord.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace veltrane {

// The chromatogram of the current GC run while it is under way: every pulse re-gated as it
// arrives with the two channels' gate modes, for drawing against run time. A pulse costs the
// same at any length of run: its points go into a fixed number of buckets that double in width
// when they are full, each keeping its lowest and highest point, so no peak is lost to the
// thinning. The pulses themselves are held (up to kHeldPulses) so that a gate mode changed
// during the run re-gates them.
class LiveChromatogram {
public:
    static constexpr int kChannels = 2;
    static constexpr std::size_t kBuckets = 2048;
    static constexpr std::size_t kHeldPulses = 36000; // three hours at 3.3 pulses a second

    struct Point {
        float runTimeMinutes = 0.0f;
        float value = 0.0f; // after the baseline
    };

    LiveChromatogram();

    // Takes new settings; when they differ the pulses held are re-gated with them.
    void SetSettings(const std::array<RegateSettings, kChannels>& settings);
    const RegateSettings& Settings(int channel) const;

    // Re-gates one pulse. A new GC run (the run level rising, a ready-to-run or run-to-run
    // transition, or the time counter going back) first empties the chromatogram. True when
    // the pulse began a new run.
    bool Add(const PulseRecord& record);
    // Empty, and the next pulse begins it whatever came before.
    void Clear();

    std::size_t Pulses() const { return pulses_; }
    // GC runs begun since the chromatogram was made.
    int RunsBegun() const { return runsBegun_; }
    // Grows with every change of what Points gives, so a view redraws only when it must.
    std::uint64_t Revision() const { return revision_; }
    double Baseline(int channel) const;

    // The points of a channel in the order of the run: every pulse while there are fewer than
    // kBuckets, then the lowest and the highest of each bucket.
    void Points(int channel, std::vector<Point>& out) const;

private:
    struct Extreme {
        double raw = 0.0;
        float runTimeMinutes = 0.0f;
        std::size_t index = 0; // pulse of the run, for the order
    };
    struct Bucket {
        Extreme low;
        Extreme high;
    };
    struct Channel {
        explicit Channel(const RegateSettings& s) : settings(s), gate(s), baseline(s.baseline) {}
        RegateSettings settings;
        PulseGate gate;
        RunningBaseline baseline;
        std::vector<Bucket> buckets;
    };

    bool StartsRun(const PulseRecord& record) const;
    void Gate(const PulseRecord& record);
    void Regate();

    std::array<std::optional<Channel>, kChannels> channels_;
    std::deque<PulseRecord> held_;
    std::size_t pulses_ = 0;
    std::size_t bucketWidth_ = 1; // pulses per bucket, a power of two
    int runsBegun_ = 0;
    std::uint64_t revision_ = 0;
    bool havePrevious_ = false;
    std::uint16_t previousRunLevel_ = 0;
    std::uint32_t previousCounter_ = 0;
};

} // namespace veltrane
