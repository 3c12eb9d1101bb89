#pragma once

#include <array>
#include <cstdint>

namespace veltrane {

// The controller board's parameters.
struct BoardSettings {
    std::int16_t pmtVoltage = 0;
    float ignitorCurrent = 0.0f; // amps
    std::int16_t triggerLevel = 1;
    std::int16_t range = 1; // index into the range table
    float h2FlowRate = 0.0f;
    float air1FlowRate = 0.0f;
    float air2FlowRate = 0.0f;
    float splitSetControl = 0.0f;
    std::array<float, 4> h2Coefficients{};   // A, B, C, D
    std::array<float, 4> air1Coefficients{}; // A, B, C, D
    std::array<float, 4> air2Coefficients{}; // A, B, C, D
    std::array<float, 4> auxCoefficients{};  // A, B, C, D of the split set control flow
};

// A channel's attenuation is kept and sent as an index 0..8; what the operator reads, and what
// the pulse plot scales by, is its factor 2^index: 1, 2, 4 ... 256.
inline constexpr int kAttenuationIndexCount = 9;
inline constexpr int kMaxAttenuationFactor = 1 << (kAttenuationIndexCount - 1);

// One output channel (index 0 and 1, shown as 1 and 2).
struct ChannelSettings {
    std::uint16_t zeroValue = 0;
    std::int16_t interpolation = 0;
    std::int16_t attenuationIndex = 0; // 0..8: the factor is 2^index
    std::int16_t gateModeName = 0;
    std::int16_t gateModeSuffix = 1;
    std::int16_t extraWord = 0; // carried with the file and sent to the controller, never edited
};

// One gate definition; identified by (name, suffix).
struct GateMode {
    std::int16_t suffix = 1;
    std::int16_t name = 0;
    float startA = 0.0f; // ms
    float stopA = 0.0f;  // ms
    std::int16_t operatorIndex = 0;
    float alpha = 0.0f;
    float startB = 0.0f; // ms
    float stopB = 0.0f;  // ms
    std::uint8_t squareRoot = 0;

    bool SameIdentity(const GateMode& other) const { return name == other.name && suffix == other.suffix; }
    bool operator==(const GateMode& other) const = default;
};

// One step of the run programme the controller executes after a GC start.
struct TimedEvent {
    float startTime = 0.0f; // minutes after the run start
    std::int16_t type = 0;  // index into the event-type table
    std::int16_t channel = 0;
    float value = 0.0f;
    std::int16_t gateSuffix = 0; // Gate events only

    bool operator==(const TimedEvent& other) const = default;
};

enum TimedEventType : std::int16_t {
    kEventAutoZero = 0,
    kEventAttenuation = 1,
    kEventRange = 2,
    kEventSquareRoot = 3,
    kEventGate = 4,
    kEventRecord = 5,
    kEventIgnitor = 6,
};

constexpr int kMaxGateModes = 5;
// The controller reports its event count in one byte: no configuration holds more.
constexpr int kMaxTimedEventCount = 255;
constexpr int kChannelCount = 2;

} // namespace veltrane
