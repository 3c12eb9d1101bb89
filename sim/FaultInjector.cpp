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
    if (isFrame && bytes.size() >= 2 && Chance(options_.crcRate)) {
        bytes.back() ^= static_cast<std::uint8_t>(1u << (rng_() % 8));
    }
    std::size_t pauseAt = 0;
    if (isFrame && bytes.size() >= 2 && Chance(options_.pauseRate)) {
        pauseAt = 1 + rng_() % (bytes.size() - 1);
    }
    std::vector<OutChunk> chunks(1);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == pauseAt && pauseAt != 0) {
            chunks.push_back(OutChunk{{}, options_.pauseMs});
        }
        if (Chance(options_.dropRate)) {
            continue;
        }
        std::uint8_t byte = bytes[i];
        if (Chance(options_.flipRate)) {
            byte ^= static_cast<std::uint8_t>(1u << (rng_() % 8));
        }
        chunks.back().bytes.push_back(byte);
        if (Chance(options_.duplicateRate)) {
            chunks.back().bytes.push_back(byte);
        }
    }
    return chunks;
}

} // namespace veltrane
