#include "live/LiveFormRules.h"

#include "live/LiveMessages.h"
#include "platform/NumberText.h"

#include <algorithm>
#include <cmath>

namespace veltrane::liverules {

namespace {

// The marker fields show hundredths, so steps and limits work on the value as shown: a value the
// view wrote reads back as exactly the number it was checked against (0.6 + 0.1 is 0.7, not 0.70000005).
constexpr long kShownStep = 10;
constexpr long kShownMargin = 15;
constexpr long kShownStartMax = 2480;
constexpr long kShownStopMax = 2490;

long Shown(float value) {
    if (!std::isfinite(value)) {
        return -1; // refused as a start and as a stop
    }
    return std::lround(std::clamp(static_cast<double>(value) * 100.0, -1e9, 1e9));
}

float FromShown(long hundredths) {
    return static_cast<float>(static_cast<double>(hundredths) / 100.0);
}

void Replace(std::string& text, const std::string& key, const std::string& value) {
    const auto at = text.find(key);
    if (at != std::string::npos) {
        text.replace(at, key.size(), value);
    }
}

} // namespace

std::string FrequencyText(float hz) {
    return Format("%6.2f", static_cast<double>(hz));
}

bool FrequencyIsHigh(float hz) {
    return hz > kFrequencyAlarm;
}

std::string MarkerText(float value) {
    return Format("%5.2f", static_cast<double>(value));
}

int HalveAttenuation(int factor) {
    return factor >= 2 ? factor / 2 : factor;
}

int DoubleAttenuation(int factor) {
    return factor < kMaxAttenuationFactor ? factor * 2 : factor;
}

// Each step stops at the nearest value the fields accept, so no press can leave a pair refused.
float StartDown(float start) {
    const long s = Shown(start);
    return s <= 0 ? start : FromShown(std::max(s - kShownStep, 0L));
}

float StartUp(float start, float stop) {
    const long s = Shown(start);
    const long t = Shown(stop);
    if (s + kShownMargin >= t) {
        return start;
    }
    return FromShown(std::max(s, std::min({s + kShownStep, t - kShownStep, kShownStartMax})));
}

float StopDown(float start, float stop) {
    const long s = Shown(start);
    const long t = Shown(stop);
    return t - kShownMargin <= s ? stop : FromShown(std::max(t - kShownStep, s + kShownStep));
}

float StopUp(float stop) {
    const long t = Shown(stop);
    return t >= kShownStopMax ? stop : FromShown(std::min(t + kShownStep, kShownStopMax));
}

std::optional<RangeError> TakeMarkers(LiveViewSettings& settings, const float values[4],
                                      const bool pairAsWritten[2]) {
    float* targets[4] = {&settings.markerAStart, &settings.markerAStop, &settings.markerBStart,
                         &settings.markerBStop};
    for (int pair = 0; pair < 2; ++pair) {
        if (pairAsWritten != nullptr && pairAsWritten[pair]) {
            continue; // the program's own values, held already
        }
        const int startField = pair * 2;
        const long start = Shown(values[startField]);
        if (start < 0 || start > kShownStartMax) {
            return RangeError{startField, 0.0f, kStartMax};
        }
        *targets[startField] = values[startField];
        const long stop = Shown(values[startField + 1]);
        const long low = start + kShownStep;
        if (stop < low || stop > kShownStopMax) {
            return RangeError{startField + 1, FromShown(low), kStopMax};
        }
        *targets[startField + 1] = values[startField + 1];
    }
    return std::nullopt;
}

std::string RangeMessage(float low, float high) {
    std::string text = messages::kNumberBetween;
    Replace(text, "%1", Format("%g", static_cast<double>(low)));
    Replace(text, "%2", Format("%g", static_cast<double>(high)));
    return text;
}

} // namespace veltrane::liverules
