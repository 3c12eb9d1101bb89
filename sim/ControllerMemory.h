#pragma once

#include "protocol/ConfigTypes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace veltrane {

constexpr int kGateSlots = 5;
constexpr std::size_t kGateSlotBytes = 17; // gate mode write layout without the position byte
constexpr std::size_t kChannelBytes = 7;   // channel write layout without the channel byte
constexpr std::size_t kBoardBytes = 90;
constexpr std::size_t kMaxTimedEvents = 255; // the count travels in one byte

// Everything the controller keeps in its parameter memory. Values are held in their wire
// layout, so what the program wrote is read back byte for byte and the EEPROM image is a
// plain concatenation; the accessors decode what the emulator itself needs.
struct ControllerMemory {
    std::array<std::array<std::uint8_t, kGateSlotBytes>, kGateSlots> gateSlots{};
    std::array<std::array<std::uint8_t, kChannelBytes>, kChannelCount> channels{};
    std::array<std::uint8_t, kBoardBytes> board{};
    std::vector<std::vector<std::uint8_t>> timedEvents; // write payloads, type byte first
    std::uint8_t dspMode = 0;

    static ControllerMemory Factory();

    std::vector<std::uint8_t> ToImage() const;
    static std::optional<ControllerMemory> FromImage(std::span<const std::uint8_t> image);
    // Written through a temporary file renamed over the old image.
    bool SaveImage(const std::string& path) const;
    // Factory values when the image is missing or unreadable.
    static ControllerMemory LoadImage(const std::string& path);

    std::uint16_t PmtVoltage() const;
    std::uint16_t TriggerLevel() const;
    std::uint16_t Range() const;
    void SetRange(std::uint16_t range);
    void SetIgnitorCurrent(float amps);

    GateMode Gate(int slot) const;
    int ChannelGatePosition(int channel) const { return channels[static_cast<std::size_t>(channel)][0]; }
    void SetChannelGatePosition(int channel, int position);
    void SetChannelAttenuationByte(int channel, std::uint8_t value);
    std::uint16_t ChannelZero(int channel) const;
    void SetChannelZero(int channel, std::uint16_t value);

    bool operator==(const ControllerMemory& other) const = default;
};

// Offsets inside the board record.
namespace board_offset {
constexpr std::size_t kPmtVoltage = 0;
constexpr std::size_t kIgnitorCurrent = 2;
constexpr std::size_t kTriggerLevel = 6;
constexpr std::size_t kRange = 8;
constexpr std::size_t kH2FlowRate = 10;
constexpr std::size_t kCoefficients = 26;
} // namespace board_offset

} // namespace veltrane
