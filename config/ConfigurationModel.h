#pragma once

#include "protocol/ConfigTypes.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace veltrane {

class Prompts;
class RunLog;
struct ConfigurationBlock;

// What the model needs of the open document: its modified flag.
class ConfigDocument {
public:
    virtual ~ConfigDocument() = default;
    virtual void SetModifiedFlag(bool modified) = 0;
};

enum class CoefficientGroup {
    H2,
    Air1,
    Air2,
    Aux
};

// The one object holding every detector parameter. Operator changes made through the
// logging setters are written to the run log; values taken from the controller or a file
// are stored without entries.
class ConfigurationModel {
public:
    ConfigurationModel(Prompts& prompts, RunLog& runLog);
    ConfigurationModel(const ConfigurationModel&) = delete;
    ConfigurationModel& operator=(const ConfigurationModel&) = delete;

    // --- board -------------------------------------------------------------------------
    const BoardSettings& Board() const { return board_; }
    std::int16_t GetPmtVoltage() const { return board_.pmtVoltage; }
    float GetIgnitorCurrent() const { return board_.ignitorCurrent; }
    std::int16_t GetTriggerLevel() const { return board_.triggerLevel; }
    std::int16_t GetRange() const { return board_.range; }
    float GetH2FlowRate() const { return board_.h2FlowRate; }
    float GetAir1FlowRate() const { return board_.air1FlowRate; }
    float GetAir2FlowRate() const { return board_.air2FlowRate; }
    float GetSplitSetControl() const { return board_.splitSetControl; }
    float GetCoefficient(CoefficientGroup group, int letter) const; // letter 0..3 = A..D

    // Logging setters: store and log only when the value differs.
    void SetPmtVoltage(std::int16_t value);
    void SetIgnitorCurrent(float value);
    void SetTriggerLevel(std::int16_t value);
    void SetRange(std::int16_t value);
    // Silent setters.
    void SetH2FlowRate(float value);
    void SetAir1FlowRate(float value);
    void SetAir2FlowRate(float value);
    void SetSplitSetControl(float value);
    void SetCoefficient(CoefficientGroup group, int letter, float value);

    // --- channels ----------------------------------------------------------------------
    // Index outside 0..1: "Channel Index Out Of Range!  (Value Reset To Channel 1)", channel 1.
    ChannelSettings& GetChannel(int index);
    // Channel setters correct a bad index with "Channel Out Of Range!  (Value Reset To Channel 1)".
    void SetChannel(const ChannelSettings& record, int index);
    void SetChannelZero(int index, std::uint16_t value); // always stores and logs
    void SetChannelInterpolation(const ChannelSettings& record, int index);
    void SetChannelAttenuation(const ChannelSettings& record, int index);
    void SetChannelGateMode(const ChannelSettings& record, int index);

    // --- gate modes --------------------------------------------------------------------
    int GateModeCount() const { return gateModeCount_; }
    // Slot at index; indexes outside the five slots are clamped into them, never out of bounds.
    GateMode& GetGateMode(int index);
    const GateMode& GetGateMode(int index) const;
    // Last of the first count slots with the identity; 0 when none.
    int FindGateMode(int name, int suffix) const;
    // Replaces the list, logging deleted, changed and added modes. At most five are taken.
    void SetGateModes(std::span<const GateMode> modes);

    // --- timed events ------------------------------------------------------------------
    const std::vector<TimedEvent>& GetTimedEvents() const { return timedEvents_; }
    // Index outside the list: "Event Index Out Of Range!  (Value Reset To Event 1)", first event.
    // Nullptr only when the list is empty.
    TimedEvent* GetTimedEvent(int index);
    void AddTimedEvent(const TimedEvent& event);
    void DeleteTimedEvent(int index);
    void DeleteAllTimedEvents();
    // Takes the events of list (which is emptied) and logs the whole new list as one entry.
    void ReplaceTimedEvents(std::vector<TimedEvent>& list);

    // --- run log -----------------------------------------------------------------------
    void SetLoggingEnabled(bool enabled);
    bool LoggingEnabled() const;
    void WriteRunLog(const std::string& text);
    const std::vector<std::string>& RunLogEntries() const;
    RunLog& Log() { return runLog_; }

    // --- document ----------------------------------------------------------------------
    void AttachDocument(ConfigDocument* document) { document_ = document; }
    void MarkModified(bool modified);

    // --- configuration block (files) ---------------------------------------------------
    enum class Direction {
        Load,
        Store
    };
    // Store: appends the block to bytes. Load: reads one whole block from bytes (exactly
    // the block, nothing after it); a bad block is refused with its message and leaves
    // the model untouched.
    bool TransferBlock(std::vector<std::uint8_t>& bytes, Direction direction);
    std::vector<std::uint8_t> StoreBlock();
    // Channels, the gate modes in use, board and timed events as plain values.
    ConfigurationBlock Snapshot() const;
    bool LoadBlock(std::span<const std::uint8_t> bytes);
    // False without a message for a missing or empty file; refused blocks show their message.
    bool LoadConfiguration(const std::string& path);
    // Writes through a temporary file renamed over the old one; false when the save failed
    // (the old file then stays as it was).
    bool SaveConfiguration(const std::string& path);

    Prompts& GetPrompts() { return prompts_; }

private:
    int CheckedChannelIndex(int index);
    int CheckedEventIndex(int index);
    void StoreChannelZero(int index, std::uint16_t value);
    void StoreChannelInterpolation(const ChannelSettings& record, int index);
    void StoreChannelAttenuation(const ChannelSettings& record, int index);
    void StoreChannelGateMode(const ChannelSettings& record, int index);

    Prompts& prompts_;
    RunLog& runLog_;
    ConfigDocument* document_ = nullptr;

    std::int32_t signature_ = 0;
    std::array<ChannelSettings, kChannelCount> channels_{};
    std::array<GateMode, kMaxGateModes> gateModes_{};
    int gateModeCount_ = 0;
    BoardSettings board_{};
    std::vector<TimedEvent> timedEvents_;
};

} // namespace veltrane
