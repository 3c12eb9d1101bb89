#pragma once

#include <array>
#include <cstdint>

namespace veltrane {

constexpr int kPulseSamples = 250;

// One received pulse, in host byte order.
struct PulseRecord {
    std::uint32_t timeCounter = 0; // controller time in 10 ms units
    std::uint16_t period = 0;      // frequency = 100 / period
    std::uint8_t sequence = 0;     // counts fired pulses modulo 256
    std::uint16_t periodCopy = 0;  // same as period
    std::uint16_t statusWord = 0;
    std::array<std::uint16_t, kPulseSamples> samples{};
};

// Run time in minutes of a time counter (10 ms units).
inline float RunTimeMinutes(std::uint32_t timeCounter) {
    return static_cast<float>(timeCounter) * 0.00016666666f;
}

// 100 / period in Hz; 0 for a period of 0, which no running controller reports.
inline float PulseFrequency(std::uint16_t period) {
    return period == 0 ? 0.0f : 100.0f / period;
}

// The controller's status word, bit by bit.
struct ControllerStatus {
    std::uint16_t pmtProtection = 0;   // bit 0
    std::uint16_t controllerState = 0; // bits 1-2: 0 NOT READY, 1 READY, 2 INVALID, 3 RUN
    std::uint16_t gcRunLevel = 0;      // bit 3
    std::uint16_t gcReadyToRun = 0;    // bit 4
    std::uint16_t gcRunToRun = 0;      // bit 5

    static ControllerStatus Decode(std::uint16_t word) {
        ControllerStatus status;
        status.pmtProtection = word & 0x1;
        status.controllerState = (word >> 1) & 0x3;
        status.gcRunLevel = (word >> 3) & 0x1;
        status.gcReadyToRun = (word >> 4) & 0x1;
        status.gcRunToRun = (word >> 5) & 0x1;
        return status;
    }
};

enum StatusBits : std::uint16_t {
    kStatusPmtProtection = 0x01,
    kStatusStateShift = 1,
    kStatusGcRunLevel = 0x08,
    kStatusGcReadyToRun = 0x10,
    kStatusGcRunToRun = 0x20,
};

enum ControllerState : std::uint16_t {
    kStateNotReady = 0,
    kStateReady = 1,
    kStateInvalid = 2,
    kStateRun = 3,
};

} // namespace veltrane
