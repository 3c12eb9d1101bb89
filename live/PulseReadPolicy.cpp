#include "live/PulseReadPolicy.h"

#include <algorithm>

namespace veltrane {

int PulseReadPolicy::EarlyReadBytes(int baud) {
    return baud * kEarlyReadMs / 10000;
}

void PulseReadPolicy::Forget() {
    partialSinceMs_ = -1;
    partialChangedMs_ = -1;
}

bool PulseReadPolicy::ReadNow(int queued, std::size_t carried, std::size_t frameLength, int baud,
                              std::int64_t nowMs) {
    const std::size_t waiting = static_cast<std::size_t>(std::max(queued, 0)) + carried;
    if (queued >= 0 && waiting == 0) {
        Forget();
        return false;
    }
    const std::size_t early = static_cast<std::size_t>(std::max(EarlyReadBytes(baud), 0));
    if (queued >= 0 && waiting + early < frameLength) {
        if (partialSinceMs_ < 0) {
            partialSinceMs_ = nowMs;
        }
        if (partialChangedMs_ < 0 || waiting != partialBytes_) {
            partialBytes_ = waiting;
            partialChangedMs_ = nowMs;
        }
        const bool shortAndQuiet = waiting < static_cast<std::size_t>(kShortFrameBytes) &&
                                   nowMs - partialChangedMs_ >= kShortFrameQuietMs;
        if (!shortAndQuiet && nowMs - partialSinceMs_ < kPartialFrameWaitMs) {
            return false;
        }
    }
    Forget();
    return true;
}

} // namespace veltrane
