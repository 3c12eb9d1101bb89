#pragma once

#include "platform/DirectFile.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace veltrane {

// When the last byte of each pulse reply left the controller's side of the line, keyed by the
// pulse's sequence byte. Written by the emulator's thread, read by the window's.
class LineTimes {
public:
    void Note(std::uint8_t sequence, std::int64_t microseconds);
    std::optional<std::int64_t> Get(std::uint8_t sequence) const;

private:
    std::array<std::atomic<std::int64_t>, 256> times_{};
};

// Time spans in fixed 0.1 ms bins up to two seconds (longer ones share the last bin), so
// a run of any length keeps the same memory.
class LatencyHistogram {
public:
    static constexpr int kBinsPerMs = 10;
    static constexpr int kMaxMs = 2000;

    void Add(double milliseconds);
    std::uint64_t Count() const { return count_; }
    // The span at or below which this share (0..1) of the values lie, to the bin's upper edge.
    double Percentile(double share) const;
    double Max() const { return max_; }

private:
    std::array<std::uint32_t, kMaxMs * kBinsPerMs + 1> bins_{};
    std::uint64_t count_ = 0;
    double max_ = 0.0;
};

// Follows each pulse from the line to the screen: the cycle says when it handed a pulse to the
// plot, the plot says when it has painted. With line times (the built-in emulator) each pulse
// gets its latency: last byte on the line to the end of the paint that showed it. With a log
// file, one line per pulse shown: "<ms> <sequence> <time counter> <latency ms or ->", written
// straight through so it survives a killed program.
class PulseTimeline {
public:
    using NowMicroseconds = std::function<std::int64_t()>;

    explicit PulseTimeline(NowMicroseconds now = {});
    ~PulseTimeline();
    PulseTimeline(const PulseTimeline&) = delete;
    PulseTimeline& operator=(const PulseTimeline&) = delete;

    bool OpenLog(const std::string& path);
    void SetLineTimes(const LineTimes* times) { lineTimes_ = times; }

    void PulseShown(std::uint8_t sequence, std::uint32_t timeCounter);
    void Painted();

    const LatencyHistogram& Latency() const { return latency_; }
    std::uint64_t PulsesPainted() const { return painted_; }
    // "latency p50 X p95 Y max Z ms over N pulses", or empty without line times.
    std::string Summary() const;

    static std::int64_t SteadyMicroseconds();

private:
    struct Pending {
        std::uint8_t sequence;
        std::uint32_t timeCounter;
        std::int64_t shownAt;
    };
    // A pulse painted before the emulator's thread got round to noting its last byte: the
    // time it has for the sequence byte is then a lap old, and the latency waits for the new one.
    struct Awaiting {
        std::uint8_t sequence;
        std::int64_t shownAt;
        std::int64_t paintedAt;
    };
    static constexpr std::int64_t kStaleUs = 1'000'000;  // older than its pulse's showing by this
    static constexpr std::int64_t kGiveUpUs = 5'000'000; // no line time by then: no latency

    std::optional<std::int64_t> FreshLineTime(std::uint8_t sequence, std::int64_t shownAt) const;
    void ResolveAwaiting(std::int64_t now);

    NowMicroseconds now_;
    const LineTimes* lineTimes_ = nullptr;
    DirectFile log_;
    std::vector<Pending> pending_;
    std::vector<Awaiting> awaiting_;
    LatencyHistogram latency_;
    std::uint64_t painted_ = 0;
};

} // namespace veltrane
