#pragma once

#include "protocol/ConfigTypes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace veltrane {

class ConfigurationModel;
class DialogHost;
class FieldValidator;

// The board and channel values the dialog edits.
struct BoardEditRecord {
    struct Channel {
        std::uint16_t zeroValue = 0;
        std::int16_t interpolation = 0;
        std::int16_t attenuationIndex = 0;
        std::int16_t gateModeName = 0;
        std::int16_t gateModeSuffix = 1;
    };
    float air1FlowRate = 0.0f;
    float air2FlowRate = 0.0f;
    float splitSetControl = 0.0f;
    float h2FlowRate = 0.0f;
    float ignitorCurrent = 0.0f;
    std::int16_t pmtVoltage = 0;
    std::int16_t triggerLevel = 0;
    std::int16_t range = 0;
    std::array<Channel, kChannelCount> channels{};

    static BoardEditRecord FromConfig(ConfigurationModel& config);
    // Through the model's setters (each change logged): board, then channel 1, then channel 2.
    void StoreInto(ConfigurationModel& config) const;
};

// What the controls hold: edit texts and list selections (-1 for none).
struct BoardControls {
    std::string air1, air2, split, h2, ignitor, pmt, trigger;
    std::array<std::string, kChannelCount> output;
    std::array<int, kChannelCount> mode{-1, -1};
    std::array<int, kChannelCount> interpolation{};
    std::array<int, kChannelCount> attenuationIndex{};
    int range = 0;
};

// The fields in the order they are read and checked.
enum class BoardField {
    Air1,
    Air2,
    Split,
    Mode1,
    Mode2,
    Interpolation1,
    Attenuation1,
    Interpolation2,
    Attenuation2,
    Output1,
    Output2,
    H2,
    Ignitor,
    Pmt,
    Trigger,
    Range
};

// Bounds of the board dialog's edit fields.
struct BoardBounds {
    static constexpr float kFlowMax = 99.99f;
    static constexpr float kIgnitorMax = 3.3f;
    static constexpr long kOutputMax = 65535;
    static constexpr long kPmtMax = 1000;
    static constexpr long kTriggerMax = 5000;
};

// The rules of the "Board / Channel Parameters" dialog without its widgets: a working copy
// bound to the controls, an undo copy for Cancel, and what each button does.
class BoardChannelEditor {
public:
    explicit BoardChannelEditor(DialogHost& host);

    // Receives the controller's settings (online, unless Set To Defaults asked to skip it),
    // marks the dialog open and fills both copies and the mode texts.
    void Open();

    // The working copy as control values (the PMT protection rule applied first).
    BoardControls Controls();
    // Reads and checks the controls in field order; the first refusal stops the reading.
    bool ReadControls(BoardControls& controls);

    bool Apply(BoardControls& controls);
    // True when the dialog closes.
    bool Ok(BoardControls& controls);
    void Cancel();
    void CloseByTitleBar();
    // Online only; true when the controller returned a new zero value (rewrite the controls).
    bool Zero(int channel);
    bool Set(int channel, BoardControls& controls);

    bool PmtProtected() const;
    bool FlowFieldsDisabled() const { return flowDisabled_; }
    bool NoModes() const { return modeTexts_.empty(); }
    const std::vector<std::string>& ModeTexts() const { return modeTexts_; }
    const BoardEditRecord& Working() const { return working_; }
    // The field whose check failed in the last reading.
    std::optional<BoardField> FailedField() const { return failed_; }

private:
    bool ReadModeList(const BoardControls& controls, int channel);
    bool ReadFields(BoardControls& controls, FieldValidator& validator);
    void Transmit();

    DialogHost& host_;
    BoardEditRecord working_;
    BoardEditRecord undo_;
    std::vector<std::string> modeTexts_;
    bool flowDisabled_ = false;
    bool modified_ = false;
    std::optional<BoardField> failed_;
};

} // namespace veltrane
