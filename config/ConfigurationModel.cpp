#include "config/ConfigurationModel.h"

#include "config/ConfigurationBlock.h"
#include "config/ConfigurationFile.h"
#include "config/LogTexts.h"
#include "config/Messages.h"
#include "config/RunLog.h"
#include "config/Vocabulary.h"
#include "platform/Prompts.h"

#include <algorithm>
#include <utility>

namespace veltrane {

using namespace messages;

ConfigurationModel::ConfigurationModel(Prompts& prompts, RunLog& runLog)
    : prompts_(prompts), runLog_(runLog) {}

// --- board -------------------------------------------------------------------------------

namespace {

// Works for const and non-const boards alike.
template <typename Board> auto& CoefficientsOf(Board& board, CoefficientGroup group) {
    switch (group) {
    case CoefficientGroup::Air1:
        return board.air1Coefficients;
    case CoefficientGroup::Air2:
        return board.air2Coefficients;
    case CoefficientGroup::Aux:
        return board.auxCoefficients;
    case CoefficientGroup::H2:
        break;
    }
    return board.h2Coefficients;
}

bool ValidLetter(int letter) {
    return letter >= 0 && letter < 4;
}

} // namespace

float ConfigurationModel::GetCoefficient(CoefficientGroup group, int letter) const {
    if (!ValidLetter(letter)) {
        return 0.0f;
    }
    return CoefficientsOf(board_, group)[static_cast<std::size_t>(letter)];
}

void ConfigurationModel::SetCoefficient(CoefficientGroup group, int letter, float value) {
    if (ValidLetter(letter)) {
        CoefficientsOf(board_, group)[static_cast<std::size_t>(letter)] = value;
    }
}

void ConfigurationModel::SetPmtVoltage(std::int16_t value) {
    if (value != board_.pmtVoltage) {
        board_.pmtVoltage = value;
        WriteRunLog(kLogPmtVoltage + Format("%d", value));
    }
}

void ConfigurationModel::SetIgnitorCurrent(float value) {
    if (value != board_.ignitorCurrent) {
        board_.ignitorCurrent = value;
        WriteRunLog(kLogIgnitorCurrent + Format("%.2f", static_cast<double>(value)));
    }
}

void ConfigurationModel::SetTriggerLevel(std::int16_t value) {
    if (value != board_.triggerLevel) {
        board_.triggerLevel = value;
        WriteRunLog(kLogTriggerLevel + Format("%d", value));
    }
}

void ConfigurationModel::SetRange(std::int16_t value) {
    if (value != board_.range) {
        board_.range = value;
        WriteRunLog(kLogRange + TableText(kRangeNames, value));
    }
}

void ConfigurationModel::SetH2FlowRate(float value) {
    board_.h2FlowRate = value;
}

void ConfigurationModel::SetAir1FlowRate(float value) {
    board_.air1FlowRate = value;
}

void ConfigurationModel::SetAir2FlowRate(float value) {
    board_.air2FlowRate = value;
}

void ConfigurationModel::SetSplitSetControl(float value) {
    board_.splitSetControl = value;
}

// --- channels ----------------------------------------------------------------------------

ChannelSettings& ConfigurationModel::GetChannel(int index) {
    if (index < 0 || index >= kChannelCount) {
        prompts_.ShowMessage(kChannelIndexOutOfRange);
        index = 0;
    }
    return channels_[static_cast<std::size_t>(index)];
}

int ConfigurationModel::CheckedChannelIndex(int index) {
    if (index < 0 || index >= kChannelCount) {
        prompts_.ShowMessage(kChannelOutOfRange);
        return 0;
    }
    return index;
}

void ConfigurationModel::SetChannel(const ChannelSettings& record, int index) {
    index = CheckedChannelIndex(index);
    ChannelSettings& channel = channels_[static_cast<std::size_t>(index)];
    if (record.zeroValue != channel.zeroValue) {
        StoreChannelZero(index, record.zeroValue);
    }
    StoreChannelInterpolation(record, index);
    StoreChannelAttenuation(record, index);
    StoreChannelGateMode(record, index);
}

void ConfigurationModel::SetChannelZero(int index, std::uint16_t value) {
    StoreChannelZero(CheckedChannelIndex(index), value);
}

void ConfigurationModel::SetChannelInterpolation(const ChannelSettings& record, int index) {
    StoreChannelInterpolation(record, CheckedChannelIndex(index));
}

void ConfigurationModel::SetChannelAttenuation(const ChannelSettings& record, int index) {
    StoreChannelAttenuation(record, CheckedChannelIndex(index));
}

void ConfigurationModel::SetChannelGateMode(const ChannelSettings& record, int index) {
    StoreChannelGateMode(record, CheckedChannelIndex(index));
}

void ConfigurationModel::StoreChannelZero(int index, std::uint16_t value) {
    channels_[static_cast<std::size_t>(index)].zeroValue = value;
    WriteRunLog(kLogZeroValue + Format("%d to %d", index + 1, static_cast<int>(value)));
}

void ConfigurationModel::StoreChannelInterpolation(const ChannelSettings& record, int index) {
    ChannelSettings& channel = channels_[static_cast<std::size_t>(index)];
    if (record.interpolation != channel.interpolation) {
        channel.interpolation = record.interpolation;
        WriteRunLog(kLogInterpolation + Format("%d to ", index + 1) +
                    TableText(kInterpolationNames, record.interpolation));
    }
}

void ConfigurationModel::StoreChannelAttenuation(const ChannelSettings& record, int index) {
    ChannelSettings& channel = channels_[static_cast<std::size_t>(index)];
    if (record.attenuationIndex != channel.attenuationIndex) {
        channel.attenuationIndex = record.attenuationIndex;
        const auto factor = AttenuationFactor(record.attenuationIndex);
        WriteRunLog(kLogAttenuation + Format("%d to ", index + 1) +
                    (factor ? Format("%d", *factor) : std::string(kUnknownIndex)));
    }
}

void ConfigurationModel::StoreChannelGateMode(const ChannelSettings& record, int index) {
    ChannelSettings& channel = channels_[static_cast<std::size_t>(index)];
    if (record.gateModeName != channel.gateModeName || record.gateModeSuffix != channel.gateModeSuffix) {
        channel.gateModeName = record.gateModeName;
        channel.gateModeSuffix = record.gateModeSuffix;
        WriteRunLog(kLogChannelGateMode + Format("%d to ", index + 1) +
                    GateModeDisplayName(record.gateModeName, record.gateModeSuffix));
    }
}

// --- gate modes --------------------------------------------------------------------------

GateMode& ConfigurationModel::GetGateMode(int index) {
    return gateModes_[static_cast<std::size_t>(std::clamp(index, 0, kMaxGateModes - 1))];
}

const GateMode& ConfigurationModel::GetGateMode(int index) const {
    return gateModes_[static_cast<std::size_t>(std::clamp(index, 0, kMaxGateModes - 1))];
}

int ConfigurationModel::FindGateMode(int name, int suffix) const {
    int found = 0;
    for (int i = 0; i < gateModeCount_; ++i) {
        const GateMode& mode = gateModes_[static_cast<std::size_t>(i)];
        if (mode.name == name && mode.suffix == suffix) {
            found = i;
        }
    }
    return found;
}

void ConfigurationModel::SetGateModes(std::span<const GateMode> modes) {
    const int newCount = static_cast<int>(std::min<std::size_t>(modes.size(), kMaxGateModes));
    const int oldCount = gateModeCount_;
    std::array<bool, kMaxGateModes> added{};
    std::array<bool, kMaxGateModes> changed{};
    added.fill(true);

    for (int o = 0; o < oldCount; ++o) {
        const GateMode& oldMode = gateModes_[static_cast<std::size_t>(o)];
        bool deleted = true;
        for (int n = 0; n < newCount; ++n) {
            const GateMode& newMode = modes[static_cast<std::size_t>(n)];
            if (newMode.SameIdentity(oldMode)) {
                deleted = false;
                added[static_cast<std::size_t>(n)] = false;
                if (!(newMode == oldMode)) {
                    changed[static_cast<std::size_t>(n)] = true;
                }
            }
            if (changed[static_cast<std::size_t>(n)]) {
                changed[static_cast<std::size_t>(n)] = false;
                WriteRunLog(kLogChangedGateMode + ModeText(newMode));
            }
        }
        if (deleted) {
            WriteRunLog(kLogDeletedGateMode + ModeText(oldMode));
        }
    }
    for (int n = 0; n < newCount; ++n) {
        if (added[static_cast<std::size_t>(n)]) {
            WriteRunLog(kLogAddedGateMode + ModeText(modes[static_cast<std::size_t>(n)]));
        }
    }
    std::copy_n(modes.begin(), newCount, gateModes_.begin());
    gateModeCount_ = newCount;
}

// --- timed events ------------------------------------------------------------------------

int ConfigurationModel::CheckedEventIndex(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= timedEvents_.size()) {
        prompts_.ShowMessage(kEventIndexOutOfRange);
        return 0;
    }
    return index;
}

TimedEvent* ConfigurationModel::GetTimedEvent(int index) {
    index = CheckedEventIndex(index);
    if (timedEvents_.empty()) {
        return nullptr;
    }
    return &timedEvents_[static_cast<std::size_t>(index)];
}

void ConfigurationModel::AddTimedEvent(const TimedEvent& event) {
    timedEvents_.push_back(event);
}

void ConfigurationModel::DeleteTimedEvent(int index) {
    index = CheckedEventIndex(index);
    if (!timedEvents_.empty()) {
        timedEvents_.erase(timedEvents_.begin() + index);
    }
}

void ConfigurationModel::DeleteAllTimedEvents() {
    while (!timedEvents_.empty()) {
        timedEvents_.pop_back();
    }
}

void ConfigurationModel::ReplaceTimedEvents(std::vector<TimedEvent>& list) {
    DeleteAllTimedEvents();
    timedEvents_ = std::move(list);
    list.clear();
    std::string text = kLogTimedEvents;
    for (const TimedEvent& event : timedEvents_) {
        text += EventLine(event);
    }
    WriteRunLog(text);
}

// --- run log -----------------------------------------------------------------------------

void ConfigurationModel::SetLoggingEnabled(bool enabled) {
    runLog_.SetEnabled(enabled);
}

bool ConfigurationModel::LoggingEnabled() const {
    return runLog_.Enabled();
}

void ConfigurationModel::WriteRunLog(const std::string& text) {
    runLog_.Write(text);
}

const std::vector<std::string>& ConfigurationModel::RunLogEntries() const {
    return runLog_.Entries();
}

// --- document ----------------------------------------------------------------------------

void ConfigurationModel::MarkModified(bool modified) {
    if (document_ != nullptr) {
        document_->SetModifiedFlag(modified);
    }
}

// --- configuration block -----------------------------------------------------------------

ConfigurationBlock ConfigurationModel::Snapshot() const {
    ConfigurationBlock block;
    block.channels = channels_;
    block.gateModes.assign(gateModes_.begin(), gateModes_.begin() + gateModeCount_);
    block.board = board_;
    block.timedEvents = timedEvents_;
    return block;
}

bool ConfigurationModel::TransferBlock(std::vector<std::uint8_t>& bytes, Direction direction) {
    if (direction == Direction::Store) {
        signature_ = kConfigurationSignature;
        EncodeBlock(Snapshot(), bytes);
        return true;
    }
    return LoadBlock(bytes);
}

std::vector<std::uint8_t> ConfigurationModel::StoreBlock() {
    std::vector<std::uint8_t> bytes;
    TransferBlock(bytes, Direction::Store);
    return bytes;
}

bool ConfigurationModel::LoadBlock(std::span<const std::uint8_t> bytes) {
    ConfigurationBlock block;
    if (DecodeBlock(bytes, block) != BlockStatus::Ok) {
        prompts_.ShowMessage(kInvalidConfigurationFormat);
        return false;
    }
    // The whole block was sound: take it over at once. Slots past the new count keep their contents.
    signature_ = kConfigurationSignature;
    channels_ = block.channels;
    std::copy(block.gateModes.begin(), block.gateModes.end(), gateModes_.begin());
    gateModeCount_ = static_cast<int>(block.gateModes.size());
    board_ = block.board;
    DeleteAllTimedEvents();
    timedEvents_ = std::move(block.timedEvents);
    return true;
}

bool ConfigurationModel::LoadConfiguration(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    switch (ReadWholeFile(path, bytes)) {
    case FileReadStatus::Unavailable:
        return false;
    case FileReadStatus::TooLarge:
        prompts_.ShowMessage(kInvalidConfigurationFormat);
        return false;
    case FileReadStatus::Ok:
        break;
    }
    return LoadBlock(bytes);
}

bool ConfigurationModel::SaveConfiguration(const std::string& path) {
    return WriteFileReplacing(path, StoreBlock());
}

} // namespace veltrane
