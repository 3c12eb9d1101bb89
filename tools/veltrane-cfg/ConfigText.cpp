#include "ConfigText.h"

#include "config/Vocabulary.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <map>
#include <variant>

namespace veltrane::cfgtext {

namespace {

using FieldRef = std::variant<std::int16_t*, std::uint16_t*, std::uint8_t*, float*>;

struct Field {
    std::string key;
    std::function<FieldRef(ConfigurationBlock&)> ref;
    std::function<std::string(const ConfigurationBlock&)> note; // may be empty
};

const char* const kLetters[4] = {"A", "B", "C", "D"};

void AddBoardFields(std::vector<Field>& fields) {
    auto add = [&](const char* key, auto member) {
        fields.push_back({std::string("board.") + key,
                          [member](ConfigurationBlock& b) -> FieldRef { return &(b.board.*member); },
                          {}});
    };
    add("pmtVoltage", &BoardSettings::pmtVoltage);
    add("ignitorCurrent", &BoardSettings::ignitorCurrent);
    add("triggerLevel", &BoardSettings::triggerLevel);
    fields.push_back({"board.range", [](ConfigurationBlock& b) -> FieldRef { return &b.board.range; },
                      [](const ConfigurationBlock& b) { return TableText(kRangeNames, b.board.range); }});
    add("h2FlowRate", &BoardSettings::h2FlowRate);
    add("air1FlowRate", &BoardSettings::air1FlowRate);
    add("air2FlowRate", &BoardSettings::air2FlowRate);
    add("splitSetControl", &BoardSettings::splitSetControl);
    const std::pair<const char*, std::array<float, 4> BoardSettings::*> groups[] = {
        {"h2Coefficients", &BoardSettings::h2Coefficients},
        {"air1Coefficients", &BoardSettings::air1Coefficients},
        {"air2Coefficients", &BoardSettings::air2Coefficients},
        {"auxCoefficients", &BoardSettings::auxCoefficients}};
    for (const auto& group : groups) {
        const char* name = group.first;
        const auto member = group.second;
        for (std::size_t letter = 0; letter < 4; ++letter) {
            fields.push_back(
                {std::string("board.") + name + "." + kLetters[letter],
                 [member, letter](ConfigurationBlock& b) -> FieldRef { return &(b.board.*member)[letter]; },
                 {}});
        }
    }
}

void AddChannelFields(std::vector<Field>& fields, std::size_t index) {
    const std::string prefix = "channel" + std::to_string(index + 1) + ".";
    auto add = [&](const char* key, auto member, std::function<std::string(const ChannelSettings&)> note) {
        std::function<std::string(const ConfigurationBlock&)> blockNote;
        if (note) {
            blockNote = [note, index](const ConfigurationBlock& b) { return note(b.channels[index]); };
        }
        fields.push_back(
            {prefix + key,
             [member, index](ConfigurationBlock& b) -> FieldRef { return &(b.channels[index].*member); },
             blockNote});
    };
    add("zeroValue", &ChannelSettings::zeroValue, {});
    add("interpolation", &ChannelSettings::interpolation,
        [](const ChannelSettings& c) { return TableText(kInterpolationNames, c.interpolation); });
    add("attenuation", &ChannelSettings::attenuationIndex, [](const ChannelSettings& c) {
        return "factor " + TableText(kAttenuationFactors, c.attenuationIndex);
    });
    add("gateModeName", &ChannelSettings::gateModeName,
        [](const ChannelSettings& c) { return GateModeDisplayName(c.gateModeName, c.gateModeSuffix); });
    add("gateModeSuffix", &ChannelSettings::gateModeSuffix, {});
    add("extraWord", &ChannelSettings::extraWord, {});
}

void AddGateModeFields(std::vector<Field>& fields, std::size_t index) {
    const std::string prefix = "gateMode" + std::to_string(index + 1) + ".";
    auto add = [&](const char* key, auto member, std::function<std::string(const GateMode&)> note) {
        std::function<std::string(const ConfigurationBlock&)> blockNote;
        if (note) {
            blockNote = [note, index](const ConfigurationBlock& b) { return note(b.gateModes[index]); };
        }
        fields.push_back(
            {prefix + key,
             [member, index](ConfigurationBlock& b) -> FieldRef { return &(b.gateModes[index].*member); },
             blockNote});
    };
    add("name", &GateMode::name, [](const GateMode& m) { return GateModeDisplayName(m.name, m.suffix); });
    add("suffix", &GateMode::suffix, {});
    add("startA", &GateMode::startA, {});
    add("stopA", &GateMode::stopA, {});
    add("operatorIndex", &GateMode::operatorIndex,
        [](const GateMode& m) { return TableText(kOperatorNames, m.operatorIndex); });
    add("alpha", &GateMode::alpha, {});
    add("startB", &GateMode::startB, {});
    add("stopB", &GateMode::stopB, {});
    add("squareRoot", &GateMode::squareRoot,
        [](const GateMode& m) { return TableText(kOffOnNames, m.squareRoot); });
}

bool UsesChannel(const TimedEvent& e) {
    return e.type != kEventRange && e.type != kEventRecord && e.type != kEventIgnitor;
}

std::string ChannelNote(const TimedEvent& e) {
    return UsesChannel(e) ? "channel " + std::to_string(e.channel + 1) : "not used";
}

// The value as the operator reads it; integral meanings only for values that are whole numbers.
std::string ValueNote(const TimedEvent& e) {
    const bool whole = std::isfinite(e.value) && std::fabs(e.value) < 1e6f && e.value == std::trunc(e.value);
    const long index = whole ? static_cast<long>(e.value) : -1;
    switch (e.type) {
    case kEventAttenuation:
        return "factor " + TableText(kAttenuationFactors, index);
    case kEventRange:
        return "range " + TableText(kRangeNames, index);
    case kEventSquareRoot:
        return e.value != 0.0f ? kOffOnNames[1] : kOffOnNames[0];
    case kEventGate:
        return "mode " + GateModeDisplayName(whole ? static_cast<int>(index) : -1, e.gateSuffix);
    case kEventRecord:
        return "stop after this many minutes";
    case kEventIgnitor:
        return "amps";
    default:
        return {};
    }
}

void AddTimedEventFields(std::vector<Field>& fields, std::size_t index) {
    const std::string prefix = "timedEvent" + std::to_string(index + 1) + ".";
    auto add = [&](const char* key, auto member, std::function<std::string(const TimedEvent&)> note) {
        std::function<std::string(const ConfigurationBlock&)> blockNote;
        if (note) {
            blockNote = [note, index](const ConfigurationBlock& b) { return note(b.timedEvents[index]); };
        }
        fields.push_back(
            {prefix + key,
             [member, index](ConfigurationBlock& b) -> FieldRef { return &(b.timedEvents[index].*member); },
             blockNote});
    };
    add("startTime", &TimedEvent::startTime, {});
    add("type", &TimedEvent::type, [](const TimedEvent& e) { return TableText(kEventTypeNames, e.type); });
    add("channel", &TimedEvent::channel, [](const TimedEvent& e) { return ChannelNote(e); });
    add("value", &TimedEvent::value, [](const TimedEvent& e) { return ValueNote(e); });
    add("gateSuffix", &TimedEvent::gateSuffix, {});
}

std::vector<Field> FixedFields() {
    std::vector<Field> fields;
    AddBoardFields(fields);
    AddChannelFields(fields, 0);
    AddChannelFields(fields, 1);
    return fields;
}

const char* const kGateModesKey = "gateModes";
const char* const kTimedEventsKey = "timedEvents";

std::string ValueText(const FieldRef& ref) {
    return std::visit(
        [](auto* p) -> std::string {
            using T = std::remove_pointer_t<decltype(p)>;
            if constexpr (std::is_same_v<T, float>) {
                return FormatFloat(*p);
            } else {
                return std::to_string(static_cast<long>(*p));
            }
        },
        ref);
}

void AppendLine(std::string& out, const std::string& key, const std::string& value, const std::string& note) {
    std::string line = key + " = " + value;
    if (!note.empty()) {
        line.resize(std::max<std::size_t>(line.size() + 2, 44), ' ');
        line += "# " + note;
    }
    out += line + "\n";
}

// Takes the block by value: field references are writable, and formatting only reads them.
void AppendFields(std::string& out, const std::vector<Field>& fields, ConfigurationBlock block) {
    for (const Field& field : fields) {
        AppendLine(out, field.key, ValueText(field.ref(block)),
                   field.note ? field.note(block) : std::string());
    }
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool ParseInteger(const std::string& text, long min, long max, long& value) {
    long parsed = 0;
    if (!ParseWholeNumber(text, parsed) || parsed < min || parsed > max) {
        return false;
    }
    value = parsed;
    return true;
}

// Stores text into the field; an error text when it does not fit the field's type.
std::string StoreValue(const FieldRef& ref, const std::string& text) {
    return std::visit(
        [&](auto* p) -> std::string {
            using T = std::remove_pointer_t<decltype(p)>;
            if constexpr (std::is_same_v<T, float>) {
                return ParseFloat(text, *p) ? std::string() : "'" + text + "' is not a number";
            } else {
                long value = 0;
                const long min = std::numeric_limits<T>::min();
                const long max = std::numeric_limits<T>::max();
                if (!ParseInteger(text, min, max, value)) {
                    return "'" + text + "' is not a whole number from " + std::to_string(min) + " to " +
                           std::to_string(max);
                }
                *p = static_cast<T>(value);
                return {};
            }
        },
        ref);
}

struct Given {
    std::string value;
    int line = 0;
};

} // namespace

std::string FormatFloat(float value) {
    if (std::isnan(value)) {
        return Format("nan(0x%08X)", static_cast<unsigned>(std::bit_cast<std::uint32_t>(value)));
    }
    if (std::isinf(value)) {
        return value < 0 ? "-inf" : "inf";
    }
    return Format("%.9g", static_cast<double>(value));
}

bool ParseFloat(const std::string& text, float& value) {
    if (text.rfind("nan(0x", 0) == 0 && text.size() == 15 && text.back() == ')') {
        const std::string hex = text.substr(6, 8);
        if (hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
            return false;
        }
        const auto bits = static_cast<std::uint32_t>(std::strtoul(hex.c_str(), nullptr, 16));
        const float parsed = std::bit_cast<float>(bits);
        if (!std::isnan(parsed)) {
            return false;
        }
        value = parsed;
        return true;
    }
    if (text == "inf" || text == "-inf") {
        value =
            text == "inf" ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
        return true;
    }
    return veltrane::ParseFloat(text, value);
}

std::string FormatConfiguration(const ConfigurationBlock& block) {
    std::string out = "# Veltrane configuration: one field per line, text after '#' is a note.\n";
    AppendFields(out, FixedFields(), block);

    const std::size_t modes = std::min<std::size_t>(block.gateModes.size(), kMaxGateModes);
    AppendLine(out, kGateModesKey, std::to_string(modes), {});
    std::vector<Field> fields;
    for (std::size_t i = 0; i < modes; ++i) {
        AddGateModeFields(fields, i);
    }
    AppendFields(out, fields, block);

    AppendLine(out, kTimedEventsKey, std::to_string(block.timedEvents.size()), {});
    fields.clear();
    for (std::size_t i = 0; i < block.timedEvents.size(); ++i) {
        AddTimedEventFields(fields, i);
    }
    AppendFields(out, fields, block);
    return out;
}

bool ParseConfiguration(const std::string& text, ConfigurationBlock& block, std::vector<ParseError>& errors) {
    errors.clear();
    std::map<std::string, Given> given;
    int lineNumber = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        line = Trim(line.substr(0, line.find('#')));
        if (line.empty()) {
            continue;
        }
        const auto equals = line.find('=');
        const std::string key = equals == std::string::npos ? std::string() : Trim(line.substr(0, equals));
        if (key.empty()) {
            errors.push_back({lineNumber, "expected 'field = value'"});
            continue;
        }
        const std::string value = Trim(line.substr(equals + 1));
        const auto [it, inserted] = given.try_emplace(key, Given{value, lineNumber});
        if (!inserted) {
            errors.push_back({lineNumber, "'" + key + "' given twice (first on line " +
                                              std::to_string(it->second.line) + ")"});
        }
    }

    ConfigurationBlock parsed;
    auto take = [&](const std::string& key, auto&& store) {
        const auto it = given.find(key);
        if (it == given.end()) {
            errors.push_back({0, "missing field '" + key + "'"});
            return;
        }
        const std::string problem = store(it->second.value);
        if (!problem.empty()) {
            errors.push_back({it->second.line, key + ": " + problem});
        }
        given.erase(it);
    };
    auto takeCount = [&](const char* key, long max, std::size_t& count) {
        take(key, [&](const std::string& value) -> std::string {
            long parsedCount = 0;
            if (!ParseInteger(value, 0, max, parsedCount)) {
                return "'" + value + "' is not a count from 0 to " + std::to_string(max);
            }
            count = static_cast<std::size_t>(parsedCount);
            return {};
        });
    };
    std::size_t modes = 0;
    std::size_t events = 0;
    takeCount(kGateModesKey, kMaxGateModes, modes);
    takeCount(kTimedEventsKey, kMaxTextTimedEvents, events);
    parsed.gateModes.resize(modes);
    parsed.timedEvents.resize(events);

    std::vector<Field> fields = FixedFields();
    for (std::size_t i = 0; i < modes; ++i) {
        AddGateModeFields(fields, i);
    }
    for (std::size_t i = 0; i < events; ++i) {
        AddTimedEventFields(fields, i);
    }
    for (const Field& field : fields) {
        take(field.key, [&](const std::string& value) { return StoreValue(field.ref(parsed), value); });
    }
    for (const auto& [key, rest] : given) {
        errors.push_back(
            {rest.line, "unknown field '" + key + "' (or beyond the gateModes / timedEvents count)"});
    }

    std::stable_sort(errors.begin(), errors.end(), [](const ParseError& a, const ParseError& b) {
        return (a.line == 0 ? std::numeric_limits<int>::max() : a.line) <
               (b.line == 0 ? std::numeric_limits<int>::max() : b.line);
    });
    if (!errors.empty()) {
        return false;
    }
    block = std::move(parsed);
    return true;
}

} // namespace veltrane::cfgtext
