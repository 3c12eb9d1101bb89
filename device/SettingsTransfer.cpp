// Whole configurations between the controller and the configuration model. Kept apart from
// the single commands so that a program that only talks to the controller does not need the model.
#include "config/ConfigurationModel.h"
#include "device/DeviceLink.h"
#include "device/Messages.h"
#include "platform/Prompts.h"

#include <cmath>

namespace veltrane {

namespace {

constexpr int kGateSlots = kMaxGateModes;

int GatePositionOfEvent(const ConfigurationModel& config, const TimedEvent& event) {
    if (event.type != kEventGate || !std::isfinite(event.value)) {
        return 0;
    }
    return config.FindGateMode(static_cast<int>(std::trunc(event.value)), event.gateSuffix);
}

} // namespace

bool DeviceLink::ReadBoardSettings(ConfigurationModel& config) {
    BoardSettings board;
    if (!ReadBoardSettings(board)) {
        return false;
    }
    config.SetPmtVoltage(board.pmtVoltage);
    config.SetIgnitorCurrent(board.ignitorCurrent);
    config.SetTriggerLevel(board.triggerLevel);
    config.SetRange(board.range);
    config.SetH2FlowRate(board.h2FlowRate);
    config.SetAir1FlowRate(board.air1FlowRate);
    config.SetAir2FlowRate(board.air2FlowRate);
    config.SetSplitSetControl(board.splitSetControl);
    const std::pair<CoefficientGroup, const std::array<float, 4>*> groups[] = {
        {CoefficientGroup::H2, &board.h2Coefficients},
        {CoefficientGroup::Air1, &board.air1Coefficients},
        {CoefficientGroup::Air2, &board.air2Coefficients},
        {CoefficientGroup::Aux, &board.auxCoefficients},
    };
    for (const auto& [group, values] : groups) {
        for (int letter = 0; letter < 4; ++letter) {
            config.SetCoefficient(group, letter, (*values)[static_cast<std::size_t>(letter)]);
        }
    }
    return true;
}

bool DeviceLink::WriteChannelSettings(ConfigurationModel& config, int channel) {
    const ChannelSettings& record = config.GetChannel(channel);
    return WriteChannelSettings(channel, record,
                                config.FindGateMode(record.gateModeName, record.gateModeSuffix));
}

bool DeviceLink::WriteTimedEvent(const ConfigurationModel& config, const TimedEvent& event) {
    return WriteTimedEvent(event, GatePositionOfEvent(config, event));
}

bool DeviceLink::ReceiveAllSettings(ConfigurationModel& config) {
    // Values taken over from the controller are no operator changes: nothing is logged.
    config.SetLoggingEnabled(false);
    bool ok = true;

    std::array<GateMode, kGateSlots> modes{};
    int count = 0;
    for (int position = 0; position < kGateSlots && ok; ++position) {
        ok = ReadGateMode(position, modes[static_cast<std::size_t>(position)]);
        if (ok && modes[static_cast<std::size_t>(position)].suffix != 0) {
            count = position + 1;
        }
    }
    if (ok) {
        config.SetGateModes(std::span<const GateMode>(modes.data(), static_cast<std::size_t>(count)));
    }

    for (int channel = 0; channel < kChannelCount && ok; ++channel) {
        ChannelSettings read;
        ok = ReadChannelSettings(channel, read);
        if (ok) {
            ChannelSettings record = config.GetChannel(channel);
            record.zeroValue = read.zeroValue;
            record.interpolation = read.interpolation;
            record.attenuationIndex = read.attenuationIndex;
            record.gateModeName = read.gateModeName;
            record.gateModeSuffix = read.gateModeSuffix;
            config.SetChannel(record, channel);
        }
    }

    if (ok) {
        config.DeleteAllTimedEvents();
        int events = 0;
        ok = ReadTimedEventCount(events);
        for (int index = 0; index < events && ok; ++index) {
            TimedEvent event;
            ok = ReadTimedEvent(index, event);
            // A recording that stops before it starts is of no use to anyone.
            if (ok && !(event.type == kEventRecord && event.value <= event.startTime)) {
                config.AddTimedEvent(event);
            }
        }
    }

    if (ok) {
        ok = ReadBoardSettings(config);
    }
    config.SetLoggingEnabled(true);
    return ok;
}

bool DeviceLink::TransmitAllSettings(ConfigurationModel& config) {
    for (int pass = 0; pass < kTransferPasses; ++pass) {
        bool ok = true;
        int count = config.GateModeCount();
        if (count > kGateSlots || count < 0) {
            prompts_.ShowMessage(messages::kGateModeCountOutOfRange);
            count = 1;
        }
        // Empty slots repeat the last mode sent; with no mode at all everything but the
        // position is zero.
        GateMode filler{};
        filler.suffix = 0;
        for (int position = 0; position < count && ok; ++position) {
            filler = config.GetGateMode(position);
            ok = WriteGateMode(position, filler);
        }
        filler.suffix = 0;
        for (int position = count; position < kGateSlots && ok; ++position) {
            ok = WriteGateMode(position, filler);
        }
        for (int channel = 0; channel < kChannelCount && ok; ++channel) {
            ok = WriteChannelSettings(config, channel);
        }
        if (ok) {
            ok = ClearTimedEvents();
            for (const TimedEvent& event : config.GetTimedEvents()) {
                if (!ok) {
                    break;
                }
                ok = WriteTimedEvent(config, event);
            }
        }
        if (ok) {
            ok = WriteBoardSettings(config.Board());
        }
        if (ok) {
            return true;
        }
    }
    prompts_.ShowMessage(messages::kSetAllSettingsFailed);
    return false;
}

bool DeviceLink::TransmitBoardSettings(ConfigurationModel& config) {
    for (int attempt = 0; attempt < kTransferPasses; ++attempt) {
        if (WriteBoardSettings(config.Board())) {
            return true;
        }
    }
    prompts_.ShowMessage(messages::kSetAllSettingsFailed);
    return false;
}

bool DeviceLink::TransmitChannelSettings(ConfigurationModel& config) {
    for (int pass = 0; pass < kTransferPasses; ++pass) {
        bool ok = true;
        for (int channel = 0; channel < kChannelCount && ok; ++channel) {
            ok = WriteChannelSettings(config, channel);
        }
        if (ok) {
            return true;
        }
    }
    prompts_.ShowMessage(messages::kSetAllSettingsFailed);
    return false;
}

} // namespace veltrane
