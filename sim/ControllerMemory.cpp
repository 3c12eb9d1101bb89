#include "sim/ControllerMemory.h"

#include "protocol/FrameCodec.h"
#include "sim/WireBytes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace veltrane {

namespace {

constexpr char kImageMagic[8] = {'V', 'P', 'F', 'P', 'D', 'E', 'E', '1'};

std::int16_t Tenths(float ms) {
    return static_cast<std::int16_t>(ms * 10.0f + 0.5f);
}

std::array<std::uint8_t, kGateSlotBytes> EncodeGate(std::uint16_t suffix, std::uint8_t name, float startA,
                                                    float stopA, std::uint8_t op, float alpha, float startB,
                                                    float stopB, std::uint8_t squareRoot) {
    std::array<std::uint8_t, kGateSlotBytes> slot{};
    wire::SetU16(slot, 0, suffix);
    slot[2] = name;
    wire::SetU16(slot, 3, static_cast<std::uint16_t>(Tenths(startA)));
    wire::SetU16(slot, 5, static_cast<std::uint16_t>(Tenths(stopA)));
    slot[7] = op;
    wire::SetFloat(slot, 8, alpha);
    wire::SetU16(slot, 12, static_cast<std::uint16_t>(Tenths(startB)));
    wire::SetU16(slot, 14, static_cast<std::uint16_t>(Tenths(stopB)));
    slot[16] = squareRoot;
    return slot;
}

} // namespace

ControllerMemory ControllerMemory::Factory() {
    ControllerMemory memory;
    // A sulfur mode (late gate minus a share of the early light) and a phosphorus mode.
    memory.gateSlots[0] = EncodeGate(1, 0, 10.0f, 17.5f, 0, 0.2f, 4.5f, 9.0f, 1);
    memory.gateSlots[1] = EncodeGate(1, 1, 4.5f, 9.0f, 0, 0.1f, 0.5f, 2.0f, 0);
    for (int slot = 2; slot < kGateSlots; ++slot) {
        memory.gateSlots[static_cast<std::size_t>(slot)] = EncodeGate(0, 0, 0, 0, 0, 0, 0, 0, 0);
    }
    for (int channel = 0; channel < kChannelCount; ++channel) {
        auto& record = memory.channels[static_cast<std::size_t>(channel)];
        record.fill(0);
        record[0] = static_cast<std::uint8_t>(channel); // channel 1 on the S mode, channel 2 on P
    }
    std::span<std::uint8_t> board(memory.board);
    wire::SetU16(board, board_offset::kPmtVoltage, 600);
    wire::SetFloat(board, board_offset::kIgnitorCurrent, 2.5f);
    wire::SetU16(board, board_offset::kTriggerLevel, 100);
    wire::SetU16(board, board_offset::kRange, 1);
    const float flows[4] = {11.5f, 10.0f, 12.0f, 0.0f};
    for (std::size_t i = 0; i < 4; ++i) {
        wire::SetFloat(board, board_offset::kH2FlowRate + 4 * i, flows[i]);
    }
    for (std::size_t group = 0; group < 4; ++group) {
        const float coefficients[4] = {0.0f, 1.0f, 0.0f, 0.0f};
        for (std::size_t letter = 0; letter < 4; ++letter) {
            wire::SetFloat(board, board_offset::kCoefficients + 16 * group + 4 * letter,
                           coefficients[letter]);
        }
    }
    memory.dspMode = 0;
    return memory;
}

std::vector<std::uint8_t> ControllerMemory::ToImage() const {
    std::vector<std::uint8_t> image(std::begin(kImageMagic), std::end(kImageMagic));
    for (const auto& slot : gateSlots) {
        image.insert(image.end(), slot.begin(), slot.end());
    }
    for (const auto& record : channels) {
        image.insert(image.end(), record.begin(), record.end());
    }
    image.insert(image.end(), board.begin(), board.end());
    image.push_back(dspMode);
    image.push_back(static_cast<std::uint8_t>(timedEvents.size()));
    for (const auto& event : timedEvents) {
        image.push_back(static_cast<std::uint8_t>(event.size()));
        image.insert(image.end(), event.begin(), event.end());
    }
    wire::PutU16(image, Crc16(image));
    return image;
}

std::optional<ControllerMemory> ControllerMemory::FromImage(std::span<const std::uint8_t> image) {
    constexpr std::size_t fixed = sizeof(kImageMagic) + kGateSlots * kGateSlotBytes +
                                  kChannelCount * kChannelBytes + kBoardBytes + 2 + 2;
    if (image.size() < fixed || !std::equal(std::begin(kImageMagic), std::end(kImageMagic), image.begin())) {
        return std::nullopt;
    }
    const auto body = image.first(image.size() - 2);
    if (Crc16(body) != wire::GetU16(image, image.size() - 2)) {
        return std::nullopt;
    }
    ControllerMemory memory;
    std::size_t at = sizeof(kImageMagic);
    auto take = [&](auto& target) {
        std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(at), target.size(), target.begin());
        at += target.size();
    };
    for (auto& slot : memory.gateSlots) {
        take(slot);
    }
    for (auto& record : memory.channels) {
        take(record);
    }
    take(memory.board);
    memory.dspMode = image[at++];
    const std::size_t count = image[at++];
    for (std::size_t i = 0; i < count; ++i) {
        if (at >= body.size()) {
            return std::nullopt;
        }
        const std::size_t length = image[at++];
        if (length == 0 || at + length > body.size()) {
            return std::nullopt;
        }
        memory.timedEvents.emplace_back(image.begin() + static_cast<std::ptrdiff_t>(at),
                                        image.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
    }
    if (at != body.size()) {
        return std::nullopt;
    }
    return memory;
}

bool ControllerMemory::SaveImage(const std::string& path) const {
    if (path.empty()) {
        return true; // memory-only controller: the save is acknowledged, nothing persists
    }
    const std::vector<std::uint8_t> image = ToImage();
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        out.flush();
        if (!out) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

ControllerMemory ControllerMemory::LoadImage(const std::string& path) {
    if (!path.empty()) {
        std::ifstream in(path, std::ios::binary);
        if (in) {
            const std::vector<std::uint8_t> image((std::istreambuf_iterator<char>(in)),
                                                  std::istreambuf_iterator<char>());
            if (auto memory = FromImage(image)) {
                return *memory;
            }
        }
    }
    return Factory();
}

std::uint16_t ControllerMemory::PmtVoltage() const {
    return wire::GetU16(board, board_offset::kPmtVoltage);
}
std::uint16_t ControllerMemory::TriggerLevel() const {
    return wire::GetU16(board, board_offset::kTriggerLevel);
}
std::uint16_t ControllerMemory::Range() const {
    return wire::GetU16(board, board_offset::kRange);
}
void ControllerMemory::SetRange(std::uint16_t range) {
    wire::SetU16(board, board_offset::kRange, range);
}
void ControllerMemory::SetIgnitorCurrent(float amps) {
    wire::SetFloat(board, board_offset::kIgnitorCurrent, amps);
}

GateMode ControllerMemory::Gate(int slot) const {
    const auto& raw = gateSlots[static_cast<std::size_t>(slot)];
    GateMode mode;
    mode.suffix = static_cast<std::int16_t>(wire::GetU16(raw, 0));
    mode.name = raw[2];
    mode.startA = static_cast<std::int16_t>(wire::GetU16(raw, 3)) * 0.1f;
    mode.stopA = static_cast<std::int16_t>(wire::GetU16(raw, 5)) * 0.1f;
    mode.operatorIndex = raw[7];
    mode.alpha = wire::GetFloat(raw, 8);
    if (!std::isfinite(mode.alpha)) {
        mode.alpha = 0.0f;
    }
    mode.startB = static_cast<std::int16_t>(wire::GetU16(raw, 12)) * 0.1f;
    mode.stopB = static_cast<std::int16_t>(wire::GetU16(raw, 14)) * 0.1f;
    mode.squareRoot = raw[16];
    return mode;
}

void ControllerMemory::SetChannelGatePosition(int channel, int position) {
    channels[static_cast<std::size_t>(channel)][0] = static_cast<std::uint8_t>(position);
}

void ControllerMemory::SetChannelAttenuationByte(int channel, std::uint8_t value) {
    channels[static_cast<std::size_t>(channel)][2] = value;
}

std::uint16_t ControllerMemory::ChannelZero(int channel) const {
    return wire::GetU16(channels[static_cast<std::size_t>(channel)], 3);
}

void ControllerMemory::SetChannelZero(int channel, std::uint16_t value) {
    wire::SetU16(channels[static_cast<std::size_t>(channel)], 3, value);
}

} // namespace veltrane
