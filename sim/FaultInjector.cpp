#include "sim/FaultInjector.h"

namespace veltrane {

bool FaultInjector::Chance(double rate) {
    if (rate <= 0.0) {
        return false; // no draw, so enabling one fault leaves the others' sequence alone
    }
    return std::uniform_real_distribution<double>(0.0, 1.0)(rng_) < rate;
}

FaultInjector::RequestFate FaultInjector::DecideRequest() {
    if (Chance(options_.ignoreRate)) {
        return RequestFate::Ignore;
    }
    if (Chance(options_.nakRate)) {
        return RequestFate::Nak;
    }
    return RequestFate::Answer;
}

std::vector<OutChunk> FaultInjector::Apply(std::vector<std::uint8_t> bytes, bool isFrame) {
    std::string_view damage;
    auto damaged = [&damage](std::string_view word) {
        if (damage.empty()) {
            damage = word;
        }
    };
    if (isFrame && bytes.size() >= 2 && Chance(options_.crcRate)) {
        bytes.back() ^= static_cast<std::uint8_t>(1u << (rng_() % 8));
        damaged(line_fault::kCrc);
    }
    std::size_t pauseAt = 0;
    if (isFrame && bytes.size() >= 2 && Chance(options_.pauseRate)) {
        pauseAt = 1 + rng_() % (bytes.size() - 1);
        damaged(line_fault::kPause);
    }
    std::vector<OutChunk> chunks(1);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == pauseAt && pauseAt != 0) {
            chunks.emplace_back().pauseBeforeMs = options_.pauseMs;
        }
        if (Chance(options_.dropRate)) {
            damaged(line_fault::kDrop);
            continue;
        }
        std::uint8_t byte = bytes[i];
        if (Chance(options_.flipRate)) {
            byte ^= static_cast<std::uint8_t>(1u << (rng_() % 8));
            damaged(line_fault::kFlip);
        }
        chunks.back().bytes.push_back(byte);
        if (Chance(options_.duplicateRate)) {
            chunks.back().bytes.push_back(byte);
            damaged(line_fault::kDuplicate);
        }
    }
    if (isFrame && Chance(options_.lateRate)) {
        chunks.front().pauseBeforeMs += options_.lateMs;
        damaged(line_fault::kLate);
    }
    if (isFrame && Chance(options_.replyTwiceRate)) {
        const std::vector<OutChunk> copy = chunks;
        chunks.insert(chunks.end(), copy.begin(), copy.end());
        chunks[copy.size()].pauseBeforeMs = 0; // the copy follows at once, late or not
        damaged(line_fault::kTwice);
    }
    chunks.back().fault = damage;
    return chunks;
}

double FaultInjector::NextChange(double now) const {
    double next = -1.0;
    auto consider = [&](double start, double length) {
        if (start < 0.0) {
            return; // not scheduled
        }
        for (const double edge : {start, start + length}) {
            if (edge > now && (next < 0.0 || edge - now < next)) {
                next = edge - now;
            }
        }
    };
    consider(options_.silenceStart, options_.silenceLength);
    consider(options_.hangupStart, options_.hangupLength);
    return next;
}

} // namespace veltrane
