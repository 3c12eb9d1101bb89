#pragma once

#include "protocol/ConfigTypes.h"

#include <optional>
#include <string>

namespace veltrane {

// The live view's own settings: plot attenuation, the two marker pairs and the data file.
struct LiveViewSettings {
    int attenuationFactor = kMaxAttenuationFactor;
    float markerAStart = 10.0f;
    float markerAStop = 17.5f;
    float markerBStart = 4.5f;
    float markerBStop = 9.0f;
    std::string filePrefix;
    std::string sequenceText;
    std::string fileName;
    std::string directory;
};

namespace liverules {

constexpr float kFrequencyAlarm = 4.7f;
constexpr float kMarkerStep = 0.1f;
constexpr float kStartMax = 24.8f;
constexpr float kStopMax = 24.9f;

// "%6.2f"; shown in red above the alarm level.
std::string FrequencyText(float hz);
bool FrequencyIsHigh(float hz);
// "%5.2f"
std::string MarkerText(float value);

int HalveAttenuation(int factor);
int DoubleAttenuation(int factor);

// The adjust buttons' steps of 0.1; a step never leaves the range the fields accept.
float StartDown(float start);
float StartUp(float start, float stop);
float StopDown(float start, float stop);
float StopUp(float stop);

// A marker field refused when the form is read: its bounds for the standard message.
struct RangeError {
    int field = 0; // 0 A start, 1 A stop, 2 B start, 3 B stop
    float low = 0.0f;
    float high = 0.0f;
};

// Reads the four marker values in form order into settings, stopping at the first value
// out of range (that one and the ones after it are not taken). Limits hold at the precision the
// fields show. A pair flagged in pairAsWritten still shows what the program wrote (after a drag,
// say) and stands as held, unchecked: the program never refuses its own values.
std::optional<RangeError> TakeMarkers(LiveViewSettings& settings, const float values[4],
                                      const bool pairAsWritten[2] = nullptr);

// The platform's range message with the bounds filled in.
std::string RangeMessage(float low, float high);

} // namespace liverules
} // namespace veltrane
