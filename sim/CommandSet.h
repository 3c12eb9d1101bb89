#pragma once

#include "sim/ControllerMemory.h"
#include "sim/PulseModel.h"
#include "sim/RequestParser.h"

#include <cstdint>
#include <string>
#include <vector>

namespace veltrane {

// Command indices the controller answers.
namespace controller_command {
enum : std::uint8_t {
    kReadControllerId = 0,
    kSaveToEeprom = 1,
    kReadDspMode = 4,
    kResetToReady = 5,
    kWriteGateMode = 12,
    kReadGateMode = 20,
    kWriteBoardSettings = 33,
    kReadBoardSettings = 46,
    kWriteChannelZero = 50,
    kWriteChannelSettings = 52,
    kAutoZeroChannel = 53,
    kReadChannelSettings = 59,
    kRequestPulse = 60,
    kWriteTimedEvent = 62,
    kClearTimedEvents = 63,
    kReadTimedEventCount = 64,
    kReadTimedEvent = 65,
};
} // namespace controller_command

// Second byte after a NAK: why the request was refused.
enum NakReason : std::uint8_t {
    kNakBadCrc = 1,
    kNakUnknownCommand = 2,
    kNakMalformed = 3,
    kNakInjected = 4,
};

struct CommandResult {
    enum class Kind {
        Reply,        // data is the reply data after the command echo
        Nak,          // nakReason says why
        PulseRequest, // answered later with the next pulse
        ResetToReady, // reply with no data once the owner has reset
        SaveToEeprom, // reply with no data once the owner has saved
    };
    Kind kind = Kind::Reply;
    std::vector<std::uint8_t> data;
    std::uint8_t nakReason = 0;
};

// The controller's answers to the settings commands, against its parameter memory. Requests
// with a wrong payload length or an index outside the controller's tables are refused.
class CommandSet {
public:
    static constexpr std::size_t kPulseDataBytes = 507;

    static CommandResult Handle(const ParsedRequest& request, ControllerMemory& memory,
                                const PulseSamples& lastPulse, const std::string& versionText);

    // A channel's output for a pulse: the means of gate A and gate B after the pulse start,
    // combined as "A <op> alpha*B", optionally square-rooted, held in 16 bits.
    static std::uint16_t ChannelOutput(const GateMode& mode, const PulseSamples& samples,
                                       std::uint16_t triggerLevel);
    static std::uint16_t ChannelOutput(const ControllerMemory& memory, int channel,
                                       const PulseSamples& samples);

    // Reply data of ReadTimedEvent for one stored event (write layout in, read layout out).
    static std::vector<std::uint8_t> TimedEventReply(const ControllerMemory& memory,
                                                     const std::vector<std::uint8_t>& stored);
    // Payload length of WriteTimedEvent for an event type byte (type + 1); 0 for none.
    static std::size_t TimedEventLength(std::uint8_t typeByte);

    // Reply data of RequestPulse.
    static std::vector<std::uint8_t> PulseData(std::uint8_t sequence, std::uint16_t period,
                                               std::uint32_t timeCounter, const PulseSamples& samples);
};

} // namespace veltrane
