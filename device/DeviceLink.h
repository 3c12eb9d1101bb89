#pragma once

#include "device/FramedLink.h"
#include "protocol/ConfigTypes.h"
#include "protocol/PulseRecord.h"

#include <array>
#include <cstdint>
#include <string>

namespace veltrane {

class ConfigurationModel;
class Prompts;

// Command indices of the controller.
enum DeviceCommand : int {
    kCmdReadControllerId = 0,
    kCmdSaveToEeprom = 1,
    kCmdReadDspMode = 4,
    kCmdResetToReady = 5,
    kCmdWriteGateMode = 12,
    kCmdReadGateMode = 20,
    kCmdWriteBoardSettings = 33,
    kCmdReadBoardSettings = 46,
    kCmdWriteChannelZero = 50,
    kCmdWriteChannelSettings = 52,
    kCmdAutoZeroChannel = 53,
    kCmdReadChannelSettings = 59,
    kCmdRequestPulse = FramedLink::kPulseCommand,
    kCmdWriteTimedEvent = 62,
    kCmdClearTimedEvents = 63,
    kCmdReadTimedEventCount = 64,
    kCmdReadTimedEvent = 65,
};

// Reply lengths (STX to CRC) the decoders accept.
constexpr int kGateModeReplyLength = 28;
constexpr int kBoardReplyLength = 100;
constexpr int kAutoZeroReplyLength = 12;
constexpr int kChannelReplyLength = 20;
constexpr int kPulseReplyLength = 517;
constexpr int kEventCountReplyLength = 12;
constexpr int kBoardPayloadLength = 90;
constexpr int kGateModePayloadLength = 18;
constexpr int kChannelPayloadLength = 8;

// Wire encodings shared with anything that builds or checks controller bytes.
std::int16_t EncodeTenths(float milliseconds);
float DecodeTenths(std::int16_t tenths);
std::uint32_t EncodeSeconds(float minutes);
float DecodeSeconds(std::int32_t seconds);
// Factor - 1 of an attenuation index; nothing when the index is outside 0..8.
bool EncodeAttenuation(int index, std::uint8_t& wire);
// Index of a received attenuation byte; nothing when byte + 1 is no factor of the list.
bool DecodeAttenuation(std::uint8_t wire, int& index);

// Every controller command as one operation; whole configurations move with the
// settings transfers. Messages about reset values go through Prompts.
class DeviceLink : public FramedLink {
public:
    static constexpr int kPayloadAreaSize = 2048;
    static constexpr int kTransferPasses = 6;

    explicit DeviceLink(Prompts& prompts, const Profile* profile = nullptr);

    // --- commands ----------------------------------------------------------------------
    bool ReadControllerId(std::string& text);
    void SaveToEeprom();
    bool ReadDspMode(int& mode);
    void ResetToReady();
    bool WriteGateMode(int position, const GateMode& mode);
    bool ReadGateMode(int position, GateMode& mode);
    bool WriteBoardSettings(const BoardSettings& board);
    bool ReadBoardSettings(BoardSettings& board);
    // Decodes into the configuration through its setters.
    bool ReadBoardSettings(ConfigurationModel& config);
    void WriteChannelZero(int channel, std::uint16_t value);
    // The channel's gate mode goes as its position in the configuration's list.
    bool WriteChannelSettings(ConfigurationModel& config, int channel);
    bool WriteChannelSettings(int channel, const ChannelSettings& record, int gatePosition);
    bool AutoZeroChannel(int channel, std::uint16_t& value);
    bool ReadChannelSettings(int channel, ChannelSettings& record);
    bool RequestPulse();
    bool ReadPulse(PulseRecord& record, ReadMode mode = ReadMode::UntilQuiet);
    // A Gate event's mode goes as its position in the configuration's list.
    bool WriteTimedEvent(const ConfigurationModel& config, const TimedEvent& event);
    bool WriteTimedEvent(const TimedEvent& event, int gatePosition);
    bool ClearTimedEvents();
    bool ReadTimedEventCount(int& count);
    bool ReadTimedEvent(int index, TimedEvent& event);

    // Next four reply bytes as a float; infinity and not-a-number become 0 with a message.
    float ReadFloat();

    // --- settings transfer ---------------------------------------------------------------
    bool ReceiveAllSettings(ConfigurationModel& config);
    bool TransmitAllSettings(ConfigurationModel& config);
    bool TransmitBoardSettings(ConfigurationModel& config);
    bool TransmitChannelSettings(ConfigurationModel& config);

    Prompts& GetPrompts() { return prompts_; }

private:
    // Sends a request and awaits its reply; echoesFirstByte: the reply's first data byte
    // repeats the request's first payload byte (the slot or channel read).
    bool Exchange(int command, int payloadLength, bool echoesFirstByte = false);
    std::uint8_t AttenuationByte(int index);
    int AttenuationIndex(std::uint8_t wire);
    void PutU8(int& at, std::uint8_t value);
    void PutU16(int& at, std::uint16_t value);
    void PutU32(int& at, std::uint32_t value);
    void PutFloat(int& at, float value);

    Prompts& prompts_;
    std::array<std::uint8_t, kPayloadAreaSize> payload_{};
};

} // namespace veltrane
