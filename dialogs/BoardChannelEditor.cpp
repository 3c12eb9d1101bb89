#include "dialogs/BoardChannelEditor.h"

#include "config/ConfigurationModel.h"
#include "config/Vocabulary.h"
#include "device/DeviceLink.h"
#include "dialogs/DialogHost.h"
#include "dialogs/DialogMessages.h"
#include "dialogs/FieldValidator.h"
#include "dialogs/GateText.h"
#include "live/LiveState.h"
#include "platform/Prompts.h"

#include <cmath>

namespace veltrane {

namespace {

constexpr float kCoefficientZero = 1.1920929e-7f;

std::size_t At(int channel) {
    return static_cast<std::size_t>(channel);
}

} // namespace

BoardEditRecord BoardEditRecord::FromConfig(ConfigurationModel& config) {
    BoardEditRecord record;
    const BoardSettings& board = config.Board();
    record.air1FlowRate = board.air1FlowRate;
    record.air2FlowRate = board.air2FlowRate;
    record.splitSetControl = board.splitSetControl;
    record.h2FlowRate = board.h2FlowRate;
    record.ignitorCurrent = board.ignitorCurrent;
    record.pmtVoltage = board.pmtVoltage;
    record.triggerLevel = board.triggerLevel;
    record.range = board.range;
    for (int i = 0; i < kChannelCount; ++i) {
        const ChannelSettings& channel = config.GetChannel(i);
        Channel& edit = record.channels[At(i)];
        edit.zeroValue = channel.zeroValue;
        edit.interpolation = channel.interpolation;
        edit.attenuationIndex = channel.attenuationIndex;
        edit.gateModeName = channel.gateModeName;
        edit.gateModeSuffix = channel.gateModeSuffix;
    }
    return record;
}

void BoardEditRecord::StoreInto(ConfigurationModel& config) const {
    config.SetAir1FlowRate(air1FlowRate);
    config.SetAir2FlowRate(air2FlowRate);
    config.SetSplitSetControl(splitSetControl);
    config.SetH2FlowRate(h2FlowRate);
    config.SetIgnitorCurrent(ignitorCurrent);
    config.SetPmtVoltage(pmtVoltage);
    config.SetTriggerLevel(triggerLevel);
    config.SetRange(range);
    for (int i = 0; i < kChannelCount; ++i) {
        ChannelSettings record = config.GetChannel(i); // keeps the words the dialog does not edit
        const Channel& edit = channels[At(i)];
        record.zeroValue = edit.zeroValue;
        record.interpolation = edit.interpolation;
        record.attenuationIndex = edit.attenuationIndex;
        record.gateModeName = edit.gateModeName;
        record.gateModeSuffix = edit.gateModeSuffix;
        config.SetChannel(record, i);
    }
}

BoardChannelEditor::BoardChannelEditor(DialogHost& host) : host_(host) {}

bool BoardChannelEditor::PmtProtected() const {
    return host_.Live().status.pmtProtection != 0;
}

void BoardChannelEditor::Open() {
    LiveState& live = host_.Live();
    ConfigurationModel& config = host_.Config();
    if (live.online && !live.skipNextReceive) {
        host_.RunRetried([&config](DeviceLink& link) { return link.ReceiveAllSettings(config); });
    }
    live.skipNextReceive = false;
    live.boardDialogOpen = true;
    working_ = BoardEditRecord::FromConfig(config);
    undo_ = working_;
    flowDisabled_ = std::fabs(config.GetCoefficient(CoefficientGroup::H2, 0)) < kCoefficientZero &&
                    std::fabs(config.GetCoefficient(CoefficientGroup::H2, 2)) < kCoefficientZero;
    modeTexts_ = GateModeTexts(config);
    // Writing the values into the fields counts as an edit, so the dialog is modified from
    // the moment it shows them.
    modified_ = true;
}

BoardControls BoardChannelEditor::Controls() {
    if (PmtProtected()) {
        working_.pmtVoltage = 0;
    }
    BoardControls controls;
    controls.air1 = FieldText(working_.air1FlowRate);
    controls.air2 = FieldText(working_.air2FlowRate);
    controls.split = FieldText(working_.splitSetControl);
    for (int i = 0; i < kChannelCount; ++i) {
        const BoardEditRecord::Channel& channel = working_.channels[At(i)];
        controls.mode[At(i)] =
            NoModes()
                ? -1
                : IndexOrFirst(modeTexts_, GateModeDisplayName(channel.gateModeName, channel.gateModeSuffix));
        controls.interpolation[At(i)] = channel.interpolation;
        controls.attenuationIndex[At(i)] = channel.attenuationIndex;
        controls.output[At(i)] = std::to_string(channel.zeroValue);
    }
    controls.h2 = FieldText(working_.h2FlowRate);
    controls.ignitor = FieldText(working_.ignitorCurrent);
    controls.pmt = std::to_string(working_.pmtVoltage);
    controls.trigger = std::to_string(working_.triggerLevel);
    controls.range = working_.range;
    return controls;
}

bool BoardChannelEditor::ReadModeList(const BoardControls& controls, int channel) {
    if (NoModes()) {
        return true; // the list is empty and disabled: nothing to read
    }
    const int selected = controls.mode[At(channel)];
    const std::string text = modeTexts_[static_cast<std::size_t>(
        selected >= 0 && selected < static_cast<int>(modeTexts_.size()) ? selected : 0)];
    const GateTextParts parts = ParseGateText(text);
    BoardEditRecord::Channel& edit = working_.channels[At(channel)];
    if (!parts.name) {
        host_.GetPrompts().ShowMessage(messages::kGateModeResetToMode1);
    }
    edit.gateModeName = static_cast<std::int16_t>(parts.name.value_or(0));
    edit.gateModeSuffix = static_cast<std::int16_t>(parts.suffix);
    return true;
}

bool BoardChannelEditor::ReadFields(BoardControls& controls, FieldValidator& validator) {
    using B = BoardBounds;
    auto floatField = [&](BoardField field, const std::string& text, float max, float& out) {
        failed_ = field;
        return validator.ReadFloat(text, 0.0f, max, out);
    };
    auto intField = [&](BoardField field, const std::string& text, long max, long& out) {
        failed_ = field;
        return validator.ReadInt(text, 0, max, out);
    };
    BoardEditRecord& w = working_;
    if (!floatField(BoardField::Air1, controls.air1, B::kFlowMax, w.air1FlowRate) ||
        !floatField(BoardField::Air2, controls.air2, B::kFlowMax, w.air2FlowRate) ||
        !floatField(BoardField::Split, controls.split, B::kFlowMax, w.splitSetControl)) {
        return false;
    }
    ReadModeList(controls, 0);
    ReadModeList(controls, 1);
    for (int i = 0; i < kChannelCount; ++i) {
        w.channels[At(i)].interpolation = static_cast<std::int16_t>(controls.interpolation[At(i)]);
        w.channels[At(i)].attenuationIndex = static_cast<std::int16_t>(controls.attenuationIndex[At(i)]);
    }
    for (int i = 0; i < kChannelCount; ++i) {
        long zero = 0;
        if (!intField(i == 0 ? BoardField::Output1 : BoardField::Output2, controls.output[At(i)],
                      B::kOutputMax, zero)) {
            return false;
        }
        w.channels[At(i)].zeroValue = static_cast<std::uint16_t>(zero);
    }
    long pmt = 0;
    long trigger = 0;
    if (!floatField(BoardField::H2, controls.h2, B::kFlowMax, w.h2FlowRate) ||
        !floatField(BoardField::Ignitor, controls.ignitor, B::kIgnitorMax, w.ignitorCurrent) ||
        !intField(BoardField::Pmt, controls.pmt, B::kPmtMax, pmt)) {
        return false;
    }
    w.pmtVoltage = static_cast<std::int16_t>(pmt);
    if (!intField(BoardField::Trigger, controls.trigger, B::kTriggerMax, trigger)) {
        return false;
    }
    w.triggerLevel = static_cast<std::int16_t>(trigger);
    w.range = static_cast<std::int16_t>(controls.range);
    failed_.reset();
    return true;
}

bool BoardChannelEditor::ReadControls(BoardControls& controls) {
    if (PmtProtected()) {
        working_.pmtVoltage = 0;
        controls.pmt = std::to_string(0);
    }
    FieldValidator validator(host_.GetPrompts(), host_.Live());
    if (!ReadFields(controls, validator)) {
        return false;
    }
    return true;
}

void BoardChannelEditor::Transmit() {
    ConfigurationModel& config = host_.Config();
    host_.RunRetried([&config](DeviceLink& link) { return link.TransmitBoardSettings(config); });
    host_.RunRetried([&config](DeviceLink& link) { return link.TransmitChannelSettings(config); });
}

bool BoardChannelEditor::Apply(BoardControls& controls) {
    if (modified_) {
        host_.Config().MarkModified(true);
    }
    if (!ReadControls(controls)) {
        return false;
    }
    working_.StoreInto(host_.Config());
    if (host_.IsOnline()) {
        Transmit();
    }
    return true;
}

bool BoardChannelEditor::Ok(BoardControls& controls) {
    if (!Apply(controls)) {
        return false;
    }
    host_.Live().boardDialogOpen = false;
    return true;
}

void BoardChannelEditor::Cancel() {
    if (modified_) {
        host_.Config().MarkModified(false);
        undo_.StoreInto(host_.Config());
        if (host_.IsOnline()) {
            Transmit();
        }
    }
    host_.Live().pollingSuspended = false;
    host_.Live().boardDialogOpen = false;
}

void BoardChannelEditor::CloseByTitleBar() {
    host_.Live().pollingSuspended = false;
    host_.Live().boardDialogOpen = false;
}

bool BoardChannelEditor::Zero(int channel) {
    if (!host_.IsOnline() || channel < 0 || channel >= kChannelCount) {
        return false;
    }
    std::uint16_t value = 0;
    if (!host_.RunRetried(
            [channel, &value](DeviceLink& link) { return link.AutoZeroChannel(channel, value); })) {
        return false;
    }
    working_.channels[At(channel)].zeroValue = value;
    host_.Config().SetChannelZero(channel, value);
    return true;
}

bool BoardChannelEditor::Set(int channel, BoardControls& controls) {
    if (channel < 0 || channel >= kChannelCount || !ReadControls(controls)) {
        return false;
    }
    host_.Config().SetChannelZero(channel, working_.channels[At(channel)].zeroValue);
    if (host_.IsOnline()) {
        host_.Live().pendingRequest.Post(channel == 0 ? kRequestChannel1Zero : kRequestChannel2Zero);
    }
    return true;
}

} // namespace veltrane
