#include "live/LiveChromatogram.h"

namespace veltrane {

LiveChromatogram::LiveChromatogram() {
    for (auto& channel : channels_) {
        channel.emplace(RegateSettings{});
    }
}

const RegateSettings& LiveChromatogram::Settings(int channel) const {
    return channels_[channel == 1 ? 1 : 0]->settings;
}

void LiveChromatogram::SetSettings(const std::array<RegateSettings, kChannels>& settings) {
    if (settings[0] == Settings(0) && settings[1] == Settings(1)) {
        return;
    }
    for (int c = 0; c < kChannels; ++c) {
        RegateSettings s = settings[static_cast<std::size_t>(c)];
        // An operator outside the four would give no value at all; subtraction stands in.
        if (s.gate.operatorIndex < 0 || s.gate.operatorIndex > 3) {
            s.gate.operatorIndex = 0;
        }
        channels_[static_cast<std::size_t>(c)].emplace(s);
    }
    Regate();
}

void LiveChromatogram::Regate() {
    for (auto& channel : channels_) {
        const RegateSettings settings = channel->settings; // emplace ends the old one first
        channel.emplace(settings);
    }
    pulses_ = 0;
    bucketWidth_ = 1;
    for (const PulseRecord& record : held_) {
        Gate(record);
    }
    ++revision_;
}

void LiveChromatogram::Clear() {
    held_.clear();
    havePrevious_ = false;
    Regate();
}

bool LiveChromatogram::StartsRun(const PulseRecord& record) const {
    if (!havePrevious_) {
        return false;
    }
    const ControllerStatus status = ControllerStatus::Decode(record.statusWord);
    return status.gcReadyToRun != 0 || status.gcRunToRun != 0 ||
           (status.gcRunLevel != 0 && previousRunLevel_ == 0) || record.timeCounter < previousCounter_;
}

bool LiveChromatogram::Add(const PulseRecord& record) {
    const bool newRun = StartsRun(record);
    if (newRun) {
        ++runsBegun_;
        Clear();
    }
    havePrevious_ = true;
    previousRunLevel_ = ControllerStatus::Decode(record.statusWord).gcRunLevel;
    previousCounter_ = record.timeCounter;

    if (held_.size() >= kHeldPulses) {
        held_.pop_front();
    }
    held_.push_back(record);
    Gate(record);
    ++revision_;
    return newRun;
}

void LiveChromatogram::Gate(const PulseRecord& record) {
    const std::size_t index = pulses_++;
    if (index / bucketWidth_ >= kBuckets) {
        // Full: neighbours merge and every bucket covers twice the pulses.
        for (auto& channel : channels_) {
            std::vector<Bucket>& buckets = channel->buckets;
            for (std::size_t i = 0; i < buckets.size() / 2; ++i) {
                const Bucket& a = buckets[2 * i];
                const Bucket& b = buckets[2 * i + 1];
                Bucket merged;
                merged.low = b.low.raw < a.low.raw ? b.low : a.low;
                merged.high = b.high.raw > a.high.raw ? b.high : a.high;
                buckets[i] = merged;
            }
            buckets.resize(buckets.size() / 2);
        }
        bucketWidth_ *= 2;
    }
    const bool opensBucket = index % bucketWidth_ == 0;
    for (auto& channel : channels_) {
        const GatedPulse gated = channel->gate.Next(record.samples, record.timeCounter);
        channel->baseline.Add(gated.value);
        const Extreme point{gated.value, static_cast<float>(gated.runTimeMinutes), index};
        if (opensBucket) {
            channel->buckets.push_back({point, point});
            continue;
        }
        Bucket& bucket = channel->buckets.back();
        if (point.raw < bucket.low.raw) {
            bucket.low = point;
        }
        if (point.raw > bucket.high.raw) {
            bucket.high = point;
        }
    }
}

double LiveChromatogram::Baseline(int channel) const {
    return channels_[channel == 1 ? 1 : 0]->baseline.Value();
}

void LiveChromatogram::Points(int channel, std::vector<Point>& out) const {
    out.clear();
    const Channel& c = *channels_[channel == 1 ? 1 : 0];
    const double baseline = c.baseline.Value();
    const bool squareRoot = c.settings.gate.squareRoot != 0;
    const auto add = [&](const Extreme& e) {
        out.push_back({e.runTimeMinutes, static_cast<float>(BaselinedValue(e.raw, baseline, squareRoot))});
    };
    for (const Bucket& bucket : c.buckets) {
        if (bucket.low.index == bucket.high.index) {
            add(bucket.low);
        } else if (bucket.low.index < bucket.high.index) {
            add(bucket.low);
            add(bucket.high);
        } else {
            add(bucket.high);
            add(bucket.low);
        }
    }
}

} // namespace veltrane
