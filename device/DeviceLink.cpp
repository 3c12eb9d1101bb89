#include "device/DeviceLink.h"

#include "device/Messages.h"
#include "platform/Prompts.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace veltrane {

namespace {

// Truncation toward zero that stays defined for any float (the wire types are narrower
// than whatever an operator or a file may hold; out-of-range values wrap like the cast
// of a 64-bit integer would).
std::int64_t TruncateToInteger(float value) {
    if (!std::isfinite(value)) {
        return 0;
    }
    constexpr float kLimit = 9.2e18f;
    if (value >= kLimit) {
        return static_cast<std::int64_t>(kLimit);
    }
    if (value <= -kLimit) {
        return -static_cast<std::int64_t>(kLimit);
    }
    return static_cast<std::int64_t>(value);
}

// Minimum data bytes of a timed event reply by type: type, start seconds and the
// type-specific bytes.
int EventDataLength(int type) {
    switch (type) {
    case kEventAutoZero:
        return 6;
    case kEventAttenuation:
    case kEventRange:
        return 7;
    case kEventSquareRoot:
    case kEventRecord:
    case kEventIgnitor:
        return 9;
    case kEventGate:
        return 10;
    default:
        return -1;
    }
}

} // namespace

std::int16_t EncodeTenths(float milliseconds) {
    return static_cast<std::int16_t>(TruncateToInteger(milliseconds * 10.0f + 0.5f));
}

float DecodeTenths(std::int16_t tenths) {
    return static_cast<float>(tenths) * 0.1f;
}

std::uint32_t EncodeSeconds(float minutes) {
    return static_cast<std::uint32_t>(TruncateToInteger(minutes * 60.0f + 0.5f));
}

float DecodeSeconds(std::int32_t seconds) {
    return static_cast<float>(seconds) * 0.016666668f;
}

bool EncodeAttenuation(int index, std::uint8_t& wire) {
    if (index < 0 || index >= kAttenuationIndexCount) {
        return false;
    }
    wire = static_cast<std::uint8_t>((1 << index) - 1);
    return true;
}

bool DecodeAttenuation(std::uint8_t wire, int& index) {
    const int factor = wire + 1;
    for (int i = 0; i < kAttenuationIndexCount; ++i) {
        if ((1 << i) == factor) {
            index = i;
            return true;
        }
    }
    return false;
}

DeviceLink::DeviceLink(Prompts& prompts, const Profile* profile) : FramedLink(profile), prompts_(prompts) {}

// --- helpers -------------------------------------------------------------------------------

bool DeviceLink::Exchange(int command, int payloadLength, bool echoesFirstByte) {
    // Whatever is still on its way in from an earlier exchange (a duplicate, a reply that came
    // after its read gave up, a pulse reply) must not be taken for this one's reply.
    FlushInput();
    const bool sent = SendFrame(command, payload_.data(), payloadLength);
    const bool ok = sent && AwaitReply(echoesFirstByte ? payload_[0] : kAnyData);
    // Nothing read behind the reply is kept for the next exchange.
    DropCarriedBytes();
    ResetCursor();
    return ok;
}

void DeviceLink::PutU8(int& at, std::uint8_t value) {
    payload_[static_cast<std::size_t>(at++)] = value;
}

void DeviceLink::PutU16(int& at, std::uint16_t value) {
    PutU8(at, static_cast<std::uint8_t>(value >> 8));
    PutU8(at, static_cast<std::uint8_t>(value & 0xFF));
}

void DeviceLink::PutU32(int& at, std::uint32_t value) {
    PutU16(at, static_cast<std::uint16_t>(value >> 16));
    PutU16(at, static_cast<std::uint16_t>(value & 0xFFFF));
}

void DeviceLink::PutFloat(int& at, float value) {
    PutU32(at, std::bit_cast<std::uint32_t>(value));
}

std::uint8_t DeviceLink::AttenuationByte(int index) {
    std::uint8_t wire = 0;
    if (!EncodeAttenuation(index, wire)) {
        prompts_.ShowMessage(messages::kAttenuationOutOfRange);
        wire = 0;
    }
    return wire;
}

int DeviceLink::AttenuationIndex(std::uint8_t wire) {
    int index = 0;
    if (!DecodeAttenuation(wire, index)) {
        prompts_.ShowMessage(messages::kAttenuationOutOfRange);
        index = 0;
    }
    return index;
}

float DeviceLink::ReadFloat() {
    const std::uint32_t bits = NextU32();
    if ((bits & 0x7FF00000u) > 0x7F700000u) {
        prompts_.ShowMessage(messages::kInvalidFloatValue);
        return 0.0f;
    }
    return std::bit_cast<float>(bits);
}

// --- commands --------------------------------------------------------------------------------

bool DeviceLink::ReadControllerId(std::string& text) {
    if (!Exchange(kCmdReadControllerId, 0) || ReceivedLength() <= 10) {
        return false;
    }
    const auto reply = Reply();
    text.assign(reinterpret_cast<const char*>(reply.data()) + kReplyDataOffset,
                static_cast<std::size_t>(ReceivedLength() - 10));
    return true;
}

void DeviceLink::SaveToEeprom() {
    Exchange(kCmdSaveToEeprom, 0);
}

bool DeviceLink::ReadDspMode(int& mode) {
    if (!Exchange(kCmdReadDspMode, 0)) {
        return false;
    }
    const auto value = static_cast<std::int8_t>(NextU8());
    if (CursorOverrun()) {
        return false; // no data byte: keep the mode we had
    }
    mode = value;
    return true;
}

void DeviceLink::ResetToReady() {
    Exchange(kCmdResetToReady, 0);
}

bool DeviceLink::WriteGateMode(int position, const GateMode& mode) {
    int at = 0;
    PutU8(at, static_cast<std::uint8_t>(position));
    PutU16(at, static_cast<std::uint16_t>(mode.suffix));
    PutU8(at, static_cast<std::uint8_t>(mode.name));
    PutU16(at, static_cast<std::uint16_t>(EncodeTenths(mode.startA)));
    PutU16(at, static_cast<std::uint16_t>(EncodeTenths(mode.stopA)));
    PutU8(at, static_cast<std::uint8_t>(mode.operatorIndex));
    PutFloat(at, mode.alpha);
    PutU16(at, static_cast<std::uint16_t>(EncodeTenths(mode.startB)));
    PutU16(at, static_cast<std::uint16_t>(EncodeTenths(mode.stopB)));
    PutU8(at, mode.squareRoot);
    return Exchange(kCmdWriteGateMode, at);
}

bool DeviceLink::ReadGateMode(int position, GateMode& mode) {
    int at = 0;
    PutU8(at, static_cast<std::uint8_t>(position));
    if (!Exchange(kCmdReadGateMode, at, true) || ReceivedLength() != kGateModeReplyLength) {
        return false;
    }
    GateMode read;
    SkipBytes(1); // position echo
    read.suffix = static_cast<std::int16_t>(NextU16());
    read.name = NextU8();
    read.startA = DecodeTenths(NextS16());
    read.stopA = DecodeTenths(NextS16());
    read.operatorIndex = NextU8();
    read.alpha = ReadFloat();
    read.startB = DecodeTenths(NextS16());
    read.stopB = DecodeTenths(NextS16());
    read.squareRoot = NextU8();
    mode = read;
    return true;
}

bool DeviceLink::WriteBoardSettings(const BoardSettings& board) {
    int at = 0;
    PutU16(at, static_cast<std::uint16_t>(board.pmtVoltage));
    PutFloat(at, board.ignitorCurrent);
    PutU16(at, static_cast<std::uint16_t>(board.triggerLevel));
    PutU16(at, static_cast<std::uint16_t>(board.range));
    PutFloat(at, board.h2FlowRate);
    PutFloat(at, board.air1FlowRate);
    PutFloat(at, board.air2FlowRate);
    PutFloat(at, board.splitSetControl);
    for (const auto* group :
         {&board.h2Coefficients, &board.air1Coefficients, &board.air2Coefficients, &board.auxCoefficients}) {
        for (float coefficient : *group) {
            PutFloat(at, coefficient);
        }
    }
    return Exchange(kCmdWriteBoardSettings, at);
}

bool DeviceLink::ReadBoardSettings(BoardSettings& board) {
    if (!Exchange(kCmdReadBoardSettings, 0) || ReceivedLength() != kBoardReplyLength) {
        return false;
    }
    BoardSettings read;
    read.pmtVoltage = static_cast<std::int16_t>(NextU16());
    read.ignitorCurrent = ReadFloat();
    read.triggerLevel = static_cast<std::int16_t>(NextU16());
    read.range = static_cast<std::int16_t>(NextU16());
    read.h2FlowRate = ReadFloat();
    read.air1FlowRate = ReadFloat();
    read.air2FlowRate = ReadFloat();
    read.splitSetControl = ReadFloat();
    for (auto* group :
         {&read.h2Coefficients, &read.air1Coefficients, &read.air2Coefficients, &read.auxCoefficients}) {
        for (float& coefficient : *group) {
            coefficient = ReadFloat();
        }
    }
    board = read;
    return true;
}

void DeviceLink::WriteChannelZero(int channel, std::uint16_t value) {
    int at = 0;
    PutU8(at, static_cast<std::uint8_t>(channel));
    PutU16(at, value);
    Exchange(kCmdWriteChannelZero, at);
}

bool DeviceLink::WriteChannelSettings(int channel, const ChannelSettings& record, int gatePosition) {
    int at = 0;
    PutU8(at, static_cast<std::uint8_t>(channel));
    PutU8(at, static_cast<std::uint8_t>(gatePosition));
    PutU8(at, static_cast<std::uint8_t>(record.interpolation));
    PutU8(at, AttenuationByte(record.attenuationIndex));
    PutU16(at, record.zeroValue);
    PutU16(at, static_cast<std::uint16_t>(record.extraWord));
    return Exchange(kCmdWriteChannelSettings, at);
}

bool DeviceLink::AutoZeroChannel(int channel, std::uint16_t& value) {
    int at = 0;
    PutU8(at, static_cast<std::uint8_t>(channel));
    const bool ok = Exchange(kCmdAutoZeroChannel, at);
    if (ok && ReceivedLength() == kAutoZeroReplyLength) {
        value = NextU16();
    }
    return ok;
}

bool DeviceLink::ReadChannelSettings(int channel, ChannelSettings& record) {
    int at = 0;
    PutU8(at, static_cast<std::uint8_t>(channel));
    if (!Exchange(kCmdReadChannelSettings, at, true) || ReceivedLength() != kChannelReplyLength) {
        return false;
    }
    ChannelSettings read = record;
    SkipBytes(1); // channel echo
    read.gateModeSuffix = static_cast<std::int16_t>(NextU16());
    read.gateModeName = NextU8();
    read.interpolation = NextU8();
    read.attenuationIndex = static_cast<std::int16_t>(AttenuationIndex(NextU8()));
    read.zeroValue = NextU16();
    read.extraWord = static_cast<std::int16_t>(NextU16());
    record = read;
    return true;
}

bool DeviceLink::RequestPulse() {
    return SendFrame(kCmdRequestPulse, nullptr, 0);
}

bool DeviceLink::ReadPulse(PulseRecord& record, ReadMode mode) {
    const bool ok = ReadReply(mode);
    ResetCursor();
    if (!ok || ReceivedLength() != kPulseReplyLength) {
        return false;
    }
    PulseRecord read;
    read.statusWord = ReplyStatusWord();
    read.sequence = NextU8();
    read.period = NextU16();
    read.periodCopy = read.period;
    read.timeCounter = NextU32();
    for (auto& sample : read.samples) {
        sample = NextU16();
    }
    record = read;
    return true;
}

bool DeviceLink::WriteTimedEvent(const TimedEvent& event, int gatePosition) {
    int at = 0;
    PutU8(at, static_cast<std::uint8_t>(event.type + 1));
    PutU32(at, EncodeSeconds(event.startTime));
    const auto whole = TruncateToInteger(event.value);
    switch (event.type) {
    case kEventAutoZero:
        PutU8(at, static_cast<std::uint8_t>(event.channel));
        break;
    case kEventAttenuation:
        PutU8(at, static_cast<std::uint8_t>(event.channel));
        PutU8(at,
              AttenuationByte(static_cast<int>(std::clamp<std::int64_t>(whole, -1, kAttenuationIndexCount))));
        break;
    case kEventRange:
        PutU16(at, static_cast<std::uint16_t>(whole));
        break;
    case kEventSquareRoot:
        PutU8(at, static_cast<std::uint8_t>(event.channel));
        PutU8(at, static_cast<std::uint8_t>(whole));
        break;
    case kEventGate:
        PutU8(at, static_cast<std::uint8_t>(event.channel));
        PutU8(at, static_cast<std::uint8_t>(gatePosition));
        break;
    case kEventRecord:
        PutU32(at, EncodeSeconds(event.value));
        break;
    case kEventIgnitor:
        PutFloat(at, event.value);
        break;
    default:
        return false; // unknown type: nothing goes on the line
    }
    return Exchange(kCmdWriteTimedEvent, at);
}

bool DeviceLink::ClearTimedEvents() {
    return Exchange(kCmdClearTimedEvents, 0);
}

bool DeviceLink::ReadTimedEventCount(int& count) {
    if (!Exchange(kCmdReadTimedEventCount, 0) || ReceivedLength() != kEventCountReplyLength) {
        return false;
    }
    count = NextU8();
    return true;
}

bool DeviceLink::ReadTimedEvent(int index, TimedEvent& event) {
    int at = 0;
    PutU8(at, static_cast<std::uint8_t>(index));
    if (!Exchange(kCmdReadTimedEvent, at) || ReceivedLength() <= 13) {
        return false;
    }
    TimedEvent read;
    read.type = static_cast<std::int16_t>(NextU8() - 1);
    // The type-specific bytes must all have arrived; a short reply is no event.
    const int needed = EventDataLength(read.type);
    if (needed < 0 || DataLength() < needed) {
        return false;
    }
    read.startTime = DecodeSeconds(NextS32());
    switch (read.type) {
    case kEventAutoZero:
        read.channel = NextU8();
        break;
    case kEventAttenuation:
        read.channel = NextU8();
        read.value = static_cast<float>(AttenuationIndex(NextU8()));
        break;
    case kEventRange:
        read.value = static_cast<float>(NextS16());
        break;
    case kEventSquareRoot:
        read.channel = NextU8();
        SkipBytes(2);
        read.value = static_cast<float>(NextU8());
        break;
    case kEventGate:
        read.channel = NextU8();
        SkipBytes(1);
        read.gateSuffix = static_cast<std::int16_t>(NextU16());
        read.value = static_cast<float>(NextU8());
        break;
    case kEventRecord:
        read.value = DecodeSeconds(NextS32());
        break;
    case kEventIgnitor:
        read.value = ReadFloat();
        break;
    default:
        return false;
    }
    if (CursorOverrun()) {
        return false;
    }
    event = read;
    return true;
}

} // namespace veltrane
