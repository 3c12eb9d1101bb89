#include "live/PulseTimeline.h"

#include "platform/NumberText.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace veltrane {

void LineTimes::Note(std::uint8_t sequence, std::int64_t microseconds) {
    times_[sequence].store(microseconds, std::memory_order_release);
}

std::optional<std::int64_t> LineTimes::Get(std::uint8_t sequence) const {
    const std::int64_t value = times_[sequence].load(std::memory_order_acquire);
    if (value == 0) {
        return std::nullopt;
    }
    return value;
}

void LatencyHistogram::Add(double milliseconds) {
    if (!std::isfinite(milliseconds)) {
        return;
    }
    milliseconds = std::max(milliseconds, 0.0);
    const auto last = static_cast<double>(bins_.size() - 1);
    const double bin = std::min(std::floor(milliseconds * kBinsPerMs), last);
    ++bins_[static_cast<std::size_t>(bin)];
    ++count_;
    max_ = std::max(max_, milliseconds);
}

double LatencyHistogram::Percentile(double share) const {
    if (count_ == 0) {
        return 0.0;
    }
    share = std::clamp(share, 0.0, 1.0);
    const auto wanted = std::max<std::uint64_t>(1, static_cast<std::uint64_t>(std::ceil(share * count_)));
    std::uint64_t seen = 0;
    for (std::size_t i = 0; i < bins_.size(); ++i) {
        seen += bins_[i];
        if (seen >= wanted) {
            if (i + 1 == bins_.size()) {
                return max_; // the overflow bin has no upper edge
            }
            return std::min(static_cast<double>(i + 1) / kBinsPerMs, max_);
        }
    }
    return max_;
}

std::int64_t PulseTimeline::SteadyMicroseconds() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

PulseTimeline::PulseTimeline(NowMicroseconds now) : now_(now ? std::move(now) : &SteadyMicroseconds) {}

PulseTimeline::~PulseTimeline() = default;

bool PulseTimeline::OpenLog(const std::string& path) {
    return log_.Open(path, DirectFile::Mode::Log) == DirectFile::Opened::Yes;
}

void PulseTimeline::PulseShown(std::uint8_t sequence, std::uint32_t timeCounter) {
    // A window that never paints (minimised) must not let this grow.
    if (pending_.size() >= 64) {
        pending_.erase(pending_.begin());
    }
    pending_.push_back({sequence, timeCounter, now_()});
}

std::optional<std::int64_t> PulseTimeline::FreshLineTime(std::uint8_t sequence, std::int64_t shownAt) const {
    if (lineTimes_ == nullptr) {
        return std::nullopt;
    }
    const auto sent = lineTimes_->Get(sequence);
    if (!sent || *sent < shownAt - kStaleUs) {
        return std::nullopt;
    }
    return sent;
}

void PulseTimeline::ResolveAwaiting(std::int64_t now) {
    std::erase_if(awaiting_, [&](const Awaiting& pulse) {
        if (const auto sent = FreshLineTime(pulse.sequence, pulse.shownAt)) {
            latency_.Add(static_cast<double>(pulse.paintedAt - *sent) / 1000.0);
            return true;
        }
        return now - pulse.paintedAt > kGiveUpUs;
    });
}

void PulseTimeline::Painted() {
    const std::int64_t now = now_();
    ResolveAwaiting(now);
    for (const Pending& pulse : pending_) {
        ++painted_;
        double latencyMs = -1.0;
        if (const auto sent = FreshLineTime(pulse.sequence, pulse.shownAt)) {
            latencyMs = static_cast<double>(now - *sent) / 1000.0;
            latency_.Add(latencyMs);
        } else if (lineTimes_ != nullptr && awaiting_.size() < 64) {
            awaiting_.push_back({pulse.sequence, pulse.shownAt, now});
        }
        if (log_.IsOpen()) {
            char line[96];
            int length = 0;
            if (latencyMs >= 0.0) {
                length = FormatInto(line, sizeof line, "%.3f %u %u %.3f\n", static_cast<double>(now) / 1000.0,
                                    pulse.sequence, pulse.timeCounter, latencyMs);
            } else {
                length = FormatInto(line, sizeof line, "%.3f %u %u -\n", static_cast<double>(now) / 1000.0,
                                    pulse.sequence, pulse.timeCounter);
            }
            if (length > 0 && !log_.Append({reinterpret_cast<const std::uint8_t*>(line),
                                            static_cast<std::size_t>(length)})) {
                log_.Close(); // a full disk ends the log, never the program
            }
        }
    }
    pending_.clear();
}

std::string PulseTimeline::Summary() const {
    if (latency_.Count() == 0) {
        return {};
    }
    char text[128];
    FormatInto(text, sizeof text, "latency p50 %.1f p95 %.1f max %.1f ms over %llu pulses",
               latency_.Percentile(0.5), latency_.Percentile(0.95), latency_.Max(),
               static_cast<unsigned long long>(latency_.Count()));
    return text;
}

} // namespace veltrane
