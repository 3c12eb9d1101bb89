#include "sim/CommandSet.h"

#include "sim/WireBytes.h"

#include <algorithm>
#include <cmath>

namespace veltrane {

namespace {

CommandResult Reply(std::vector<std::uint8_t> data = {}) {
    CommandResult result;
    result.data = std::move(data);
    return result;
}

CommandResult Nak(std::uint8_t reason) {
    CommandResult result;
    result.kind = CommandResult::Kind::Nak;
    result.nakReason = reason;
    return result;
}

CommandResult Malformed() {
    return Nak(kNakMalformed);
}

bool EventUsesChannel(std::uint8_t typeByte) {
    return typeByte == 1 || typeByte == 2 || typeByte == 4 || typeByte == 5;
}

double GateMean(const PulseSamples& samples, int start, float fromMs, float toMs) {
    const int first = std::clamp(start + static_cast<int>(std::lround(fromMs * 10.0f)), 0, kPulseSamples - 1);
    const int last = std::clamp(start + static_cast<int>(std::lround(toMs * 10.0f)), 0, kPulseSamples - 1);
    if (last < first) {
        return 0.0;
    }
    double sum = 0.0;
    for (int i = first; i <= last; ++i) {
        sum += samples[static_cast<std::size_t>(i)];
    }
    return sum / (last - first + 1);
}

CommandResult WriteTimedEvent(const std::vector<std::uint8_t>& payload, ControllerMemory& memory) {
    if (payload.empty() || payload.size() != CommandSet::TimedEventLength(payload[0])) {
        return Malformed();
    }
    if (EventUsesChannel(payload[0]) && payload[5] >= kChannelCount) {
        return Malformed();
    }
    if (payload[0] == 5 && payload[6] >= kGateSlots) {
        return Malformed();
    }
    if (memory.timedEvents.size() >= kMaxTimedEvents) {
        return Malformed();
    }
    memory.timedEvents.push_back(payload);
    return Reply();
}

CommandResult ReadChannel(std::uint8_t channel, const ControllerMemory& memory) {
    const auto& record = memory.channels[channel];
    const auto& slot = memory.gateSlots[std::min<std::size_t>(record[0], kGateSlots - 1)];
    std::vector<std::uint8_t> data{channel, slot[0], slot[1], slot[2], record[1], record[2]};
    data.insert(data.end(), record.begin() + 3, record.end());
    return Reply(std::move(data));
}

} // namespace

std::size_t CommandSet::TimedEventLength(std::uint8_t typeByte) {
    switch (typeByte) {
    case 1:
        return 6;
    case 2:
    case 3:
    case 4:
    case 5:
        return 7;
    case 6:
    case 7:
        return 9;
    default:
        return 0;
    }
}

std::vector<std::uint8_t> CommandSet::TimedEventReply(const ControllerMemory& memory,
                                                      const std::vector<std::uint8_t>& stored) {
    std::vector<std::uint8_t> data;
    data.reserve(10);
    for (std::uint8_t byte : stored) {
        data.push_back(byte);
    }
    if (stored[0] == 4) {
        // Square root: the value sits behind two spare bytes.
        data[6] = 0;
        data.push_back(0);
        data.push_back(stored[6]);
    } else if (stored[0] == 5) {
        // Gate: named by identity; the slot position rides along.
        const auto& slot = memory.gateSlots[std::min<std::size_t>(stored[6], kGateSlots - 1)];
        data.push_back(slot[0]);
        data.push_back(slot[1]);
        data.push_back(slot[2]);
    }
    return data;
}

std::uint16_t CommandSet::ChannelOutput(const GateMode& mode, const PulseSamples& samples,
                                        std::uint16_t triggerLevel) {
    int start = 0;
    while (start < kPulseSamples && samples[static_cast<std::size_t>(start)] < triggerLevel) {
        ++start;
    }
    if (start == kPulseSamples) {
        start = 0;
    }
    const double a = GateMean(samples, start, mode.startA, mode.stopA);
    const double b = mode.alpha * GateMean(samples, start, mode.startB, mode.stopB);
    double out = 0.0;
    switch (mode.operatorIndex) {
    case 1:
        out = a + b;
        break;
    case 2:
        out = a * b;
        break;
    case 3:
        out = b != 0.0 ? a / b : 0.0;
        break;
    default:
        out = a - b;
        break;
    }
    if (mode.squareRoot != 0) {
        out = std::sqrt(std::max(0.0, out));
    }
    return static_cast<std::uint16_t>(std::clamp(std::lround(out), 0L, 65535L));
}

std::uint16_t CommandSet::ChannelOutput(const ControllerMemory& memory, int channel,
                                        const PulseSamples& samples) {
    const int slot = std::clamp(memory.ChannelGatePosition(channel), 0, kGateSlots - 1);
    return ChannelOutput(memory.Gate(slot), samples, memory.TriggerLevel());
}

std::vector<std::uint8_t> CommandSet::PulseData(std::uint8_t sequence, std::uint16_t period,
                                                std::uint32_t timeCounter, const PulseSamples& samples) {
    std::vector<std::uint8_t> data;
    data.reserve(kPulseDataBytes);
    data.push_back(sequence);
    wire::PutU16(data, period);
    wire::PutU32(data, timeCounter);
    for (std::uint16_t sample : samples) {
        wire::PutU16(data, sample);
    }
    return data;
}

CommandResult CommandSet::Handle(const ParsedRequest& request, ControllerMemory& memory,
                                 const PulseSamples& lastPulse, const std::string& versionText) {
    if (!request.crcOk) {
        return Nak(kNakBadCrc);
    }
    const std::vector<std::uint8_t>& p = request.payload;
    auto needs = [&](std::size_t length) { return p.size() == length; };
    switch (request.index) {
    case controller_command::kReadControllerId:
        return needs(0) ? Reply({versionText.begin(), versionText.end()}) : Malformed();
    case controller_command::kSaveToEeprom:
        return needs(0) ? CommandResult{CommandResult::Kind::SaveToEeprom, {}, 0} : Malformed();
    case controller_command::kReadDspMode:
        return needs(0) ? Reply({memory.dspMode}) : Malformed();
    case controller_command::kResetToReady:
        return needs(0) ? CommandResult{CommandResult::Kind::ResetToReady, {}, 0} : Malformed();
    case controller_command::kWriteGateMode:
        if (!needs(1 + kGateSlotBytes) || p[0] >= kGateSlots) {
            return Malformed();
        }
        std::copy(p.begin() + 1, p.end(), memory.gateSlots[p[0]].begin());
        return Reply();
    case controller_command::kReadGateMode: {
        if (!needs(1) || p[0] >= kGateSlots) {
            return Malformed();
        }
        std::vector<std::uint8_t> data{p[0]};
        data.insert(data.end(), memory.gateSlots[p[0]].begin(), memory.gateSlots[p[0]].end());
        return Reply(std::move(data));
    }
    case controller_command::kWriteBoardSettings:
        if (!needs(kBoardBytes)) {
            return Malformed();
        }
        std::copy(p.begin(), p.end(), memory.board.begin());
        return Reply();
    case controller_command::kReadBoardSettings:
        return needs(0) ? Reply({memory.board.begin(), memory.board.end()}) : Malformed();
    case controller_command::kWriteChannelZero:
        if (!needs(3) || p[0] >= kChannelCount) {
            return Malformed();
        }
        memory.SetChannelZero(p[0], wire::GetU16(p, 1));
        return Reply();
    case controller_command::kWriteChannelSettings:
        if (!needs(1 + kChannelBytes) || p[0] >= kChannelCount || p[1] >= kGateSlots) {
            return Malformed();
        }
        std::copy(p.begin() + 1, p.end(), memory.channels[p[0]].begin());
        return Reply();
    case controller_command::kAutoZeroChannel: {
        if (!needs(1) || p[0] >= kChannelCount) {
            return Malformed();
        }
        const std::uint16_t zero = ChannelOutput(memory, p[0], lastPulse);
        memory.SetChannelZero(p[0], zero);
        std::vector<std::uint8_t> data;
        wire::PutU16(data, zero);
        return Reply(std::move(data));
    }
    case controller_command::kReadChannelSettings:
        if (!needs(1) || p[0] >= kChannelCount) {
            return Malformed();
        }
        return ReadChannel(p[0], memory);
    case controller_command::kRequestPulse:
        return needs(0) ? CommandResult{CommandResult::Kind::PulseRequest, {}, 0} : Malformed();
    case controller_command::kWriteTimedEvent:
        return WriteTimedEvent(p, memory);
    case controller_command::kClearTimedEvents:
        if (!needs(0)) {
            return Malformed();
        }
        memory.timedEvents.clear();
        return Reply();
    case controller_command::kReadTimedEventCount:
        return needs(0) ? Reply({static_cast<std::uint8_t>(memory.timedEvents.size()), 0}) : Malformed();
    case controller_command::kReadTimedEvent:
        if (!needs(1) || p[0] >= memory.timedEvents.size()) {
            return Malformed();
        }
        return Reply(TimedEventReply(memory, memory.timedEvents[p[0]]));
    default:
        return Nak(kNakUnknownCommand);
    }
}

} // namespace veltrane
