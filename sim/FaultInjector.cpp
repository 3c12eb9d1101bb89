#include "sim/FaultInjector.h"

#include "protocol/FrameCodec.h"

#include <cmath>

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

double FaultInjector::HangupStartNear(double now) const {
    const double start = options_.hangupStart;
    if (start < 0.0 || options_.hangupEvery <= 0.0 || now <= start) {
        return start;
    }
    const double last = std::max(options_.hangupCount, 1) - 1;
    const double nth = std::min(std::floor((now - start) / options_.hangupEvery), last);
    const double at = start + nth * options_.hangupEvery;
    // Once this one is over, the next one is the one to look at.
    return now >= at + options_.hangupLength && nth < last ? at + options_.hangupEvery : at;
}

bool FaultInjector::HungUp(double now) const {
    return Within(now, HangupStartNear(now), options_.hangupLength);
}

std::vector<std::uint8_t> FaultInjector::Noise(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    for (std::uint8_t& byte : bytes) {
        do {
            byte = static_cast<std::uint8_t>(rng_());
        } while (byte == kStx || byte == kNak);
    }
    return bytes;
}

std::vector<std::vector<std::uint8_t>> Misclock(const std::vector<std::uint8_t>& bytes, int senderBaud,
                                                int receiverBaud) {
    // Time in the receiver's bit times; a sender bit lasts k of them.
    const double k = static_cast<double>(receiverBaud) / std::max(senderBaud, 1);
    auto level = [&](double t) {
        const auto bit = static_cast<std::size_t>(t / k);
        const std::size_t index = bit / 10;
        const std::size_t position = bit % 10;
        if (index >= bytes.size() || position == 9) {
            return 1; // idle or stop bit
        }
        return position == 0 ? 0 : (bytes[index] >> (position - 1)) & 1;
    };
    std::vector<std::vector<std::uint8_t>> received(bytes.size());
    const double end = static_cast<double>(bytes.size()) * 10.0 * k;
    for (double t = 0.0; t < end;) {
        if (level(t) != 0) {
            t += 1.0 / 16; // the receiver looks for a start bit at 16 times its rate
            continue;
        }
        std::uint8_t value = 0;
        for (int bit = 0; bit < 8; ++bit) {
            value |= static_cast<std::uint8_t>(level(t + 1.5 + bit) << bit);
        }
        received[static_cast<std::size_t>(t / k) / 10].push_back(value == kStx || value == kNak ? 0 : value);
        t += 10.0;
    }
    return received;
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
    consider(HangupStartNear(now), options_.hangupLength);
    consider(options_.dripStart, options_.dripLength);
    consider(options_.noiseStart, options_.noiseLength);
    consider(options_.wrongBaudStart, options_.wrongBaudLength);
    return next;
}

} // namespace veltrane
