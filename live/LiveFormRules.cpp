#include "live/LiveFormRules.h"

#include "live/LiveMessages.h"

#include <cstdio>

namespace veltrane::liverules {

namespace {

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

void Replace(std::string& text, const std::string& key, const std::string& value) {
    const auto at = text.find(key);
    if (at != std::string::npos) {
        text.replace(at, key.size(), value);
    }
}

bool InRange(float value, float low, float high) {
    return value >= low && value <= high;
}

} // namespace

std::string FrequencyText(float hz) {
    return Format("%6.2f", hz);
}

bool FrequencyIsHigh(float hz) {
    return hz > kFrequencyAlarm;
}

std::string MarkerText(float value) {
    return Format("%5.2f", value);
}

int HalveAttenuation(int attenuation) {
    return attenuation >= 2 ? attenuation / 2 : attenuation;
}

int DoubleAttenuation(int attenuation) {
    return attenuation < kAttenuationMax ? attenuation * 2 : attenuation;
}

float StartDown(float start) {
    return start <= 0.0f ? start : start - kMarkerStep;
}

float StartUp(float start, float stop) {
    return start + 0.15f >= stop ? start : start + kMarkerStep;
}

float StopDown(float start, float stop) {
    return stop - 0.15f <= start ? stop : stop - kMarkerStep;
}

float StopUp(float stop) {
    return stop >= kStopMax ? stop : stop + kMarkerStep;
}

std::optional<RangeError> TakeMarkers(LiveViewSettings& settings, const float values[4]) {
    float* targets[4] = {&settings.markerAStart, &settings.markerAStop, &settings.markerBStart,
                         &settings.markerBStop};
    for (int pair = 0; pair < 2; ++pair) {
        const int startField = pair * 2;
        const float start = values[startField];
        if (!InRange(start, 0.0f, kStartMax)) {
            return RangeError{startField, 0.0f, kStartMax};
        }
        *targets[startField] = start;
        const float stop = values[startField + 1];
        const float low = start + kMarkerStep;
        if (!InRange(stop, low, kStopMax)) {
            return RangeError{startField + 1, low, kStopMax};
        }
        *targets[startField + 1] = stop;
    }
    return std::nullopt;
}

std::string RangeMessage(float low, float high) {
    std::string text = messages::kNumberBetween;
    Replace(text, "%1", Format("%g", low));
    Replace(text, "%2", Format("%g", high));
    return text;
}

} // namespace veltrane::liverules
