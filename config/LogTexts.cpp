#include "config/LogTexts.h"

#include "config/Messages.h"
#include "config/Vocabulary.h"
#include "platform/Clock.h"

#include <cmath>
#include <optional>

namespace veltrane {

namespace {

// A float cut to a whole number, when it has one that an int can hold.
std::optional<int> Truncated(double value) {
    if (!std::isfinite(value) || value <= -2147483649.0 || value >= 2147483648.0) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::string ChannelText(const TimedEvent& event) {
    return Format("Channel: %d", event.channel + 1);
}

std::string ValueText(const TimedEvent& event) {
    switch (event.type) {
    case kEventAutoZero:
        return "Value: N/A";
    case kEventAttenuation: {
        const auto factor = Truncated(std::pow(2.0, static_cast<double>(event.value)));
        return factor ? Format("Value: %d", *factor) : std::string("Value: ") + messages::kUnknownIndex;
    }
    case kEventRange: {
        const auto index = Truncated(event.value);
        return "Value: " + (index ? TableText(kRangeNames, *index) : std::string(messages::kUnknownIndex));
    }
    case kEventSquareRoot:
        return std::string("Value: ") + (event.value != 0.0f ? kOffOnNames[1] : kOffOnNames[0]);
    case kEventGate: {
        const auto name = Truncated(event.value);
        return "Value: " + GateModeDisplayName(name ? *name : -1, event.gateSuffix);
    }
    default:
        return Format("Value: %.2f", static_cast<double>(event.value));
    }
}

} // namespace

std::string ModeText(const GateMode& mode) {
    const std::string name = GateModeDisplayName(mode.name, mode.suffix);
    const std::string op = TableText(kOperatorNames, mode.operatorIndex);
    const std::string sqrt = TableText(kOffOnNames, mode.squareRoot);
    return Format("\nMode: %4s,  StartA: %5.2f,  StopA: %5.2f,  Operator: %s,  Alpha: %5.2f\nStartB: %5.2f,  "
                  "StopB: %5.2f,  Sqrt: %s",
                  name.c_str(), static_cast<double>(mode.startA), static_cast<double>(mode.stopA), op.c_str(),
                  static_cast<double>(mode.alpha), static_cast<double>(mode.startB),
                  static_cast<double>(mode.stopB), sqrt.c_str());
}

std::string EventLine(const TimedEvent& event) {
    const std::string type = TableText(kEventTypeNames, event.type);
    const bool usesChannel =
        event.type != kEventRange && event.type != kEventRecord && event.type != kEventIgnitor;
    const std::string channel = usesChannel ? ChannelText(event) : std::string("Channel: N/A");
    const std::string value = ValueText(event);
    return Format("\nStart Time: %5.2f,\tType: %s,\t%s,\t%s", static_cast<double>(event.startTime),
                  type.c_str(), channel.c_str(), value.c_str());
}

std::string LogDate(const LocalDateTime& when) {
    return Format("%02d/%02d/%02d", when.month, when.day, ((when.year % 100) + 100) % 100);
}

std::string LogTime(const LocalDateTime& when) {
    return Format("%02d:%02d:%02d", when.hour, when.minute, when.second);
}

} // namespace veltrane
