#include "live/Regating.h"

#include "config/Vocabulary.h"
#include "live/LiveMessages.h"
#include "platform/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace veltrane {

namespace {

long MsToSamples(float ms) {
    if (!std::isfinite(ms)) {
        return ms > 0 ? kPulseSamples : 0;
    }
    const double samples = std::round(static_cast<double>(ms) / kSampleMs);
    return static_cast<long>(std::clamp(samples, -1.0e6, 1.0e6));
}

// The shortest text that reads back as the same float: 0.8 rather than 0.800000012.
std::string FloatText(float value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

double Mean(std::span<const double> values) {
    double sum = 0.0;
    for (const double v : values) {
        sum += v;
    }
    return values.empty() ? 0.0 : sum / static_cast<double>(values.size());
}

} // namespace

double GateArea(std::span<const std::uint16_t> samples, long from, long to) {
    const long size = static_cast<long>(samples.size());
    from = std::clamp(from, 0L, size);
    to = std::clamp(to, 0L, size);
    std::uint64_t sum = 0;
    for (long i = from; i < to; ++i) {
        sum += samples[static_cast<std::size_t>(i)];
    }
    return static_cast<double>(sum) * kSampleMs;
}

void GateIndexes(float start, float stop, int anchor, long& from, long& to) {
    long a = MsToSamples(start);
    long b = MsToSamples(stop);
    if (b < a) {
        std::swap(a, b);
    }
    from = anchor + a;
    to = anchor + b;
}

int PulseStart(std::span<const std::uint16_t> samples, int triggerLevel) {
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (static_cast<int>(samples[i]) >= triggerLevel) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool Combine(int operatorIndex, double a, double alpha, double b, double& result) {
    const double scaled = alpha * b;
    switch (operatorIndex) {
    case 0:
        result = a - scaled;
        return true;
    case 1:
        result = a + scaled;
        return true;
    case 2:
        result = a * scaled;
        return true;
    case 3:
        result = scaled == 0.0 ? 0.0 : a / scaled;
        return true;
    default:
        return false;
    }
}

bool Regate(std::span<const StoredPulse> pulses, const RegateSettings& settings, Chromatogram& out,
            std::string& error) {
    const GateMode& gate = settings.gate;
    if (gate.operatorIndex < 0 || gate.operatorIndex > 3) {
        error = messages::kBadOperator;
        return false;
    }
    const BaselineChoice& base = settings.baseline;
    if (base.kind == BaselineKind::PulseRange && (base.first > base.last || base.last >= pulses.size())) {
        error = messages::kBadPulseRange;
        return false;
    }

    Chromatogram result;
    const std::size_t n = pulses.size();
    result.runTimeMinutes.resize(n);
    result.areaA.resize(n);
    result.areaB.resize(n);
    result.value.resize(n);
    const double alpha = gate.alpha;
    // A pulse without a start keeps the previous pulse's start, as the live plot does.
    int anchor = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const StoredPulse& pulse = pulses[i];
        if (settings.fromPulseStart) {
            const int start = PulseStart(pulse.samples, settings.triggerLevel);
            if (start >= 0) {
                anchor = start;
            }
        }
        long aFrom = 0, aTo = 0, bFrom = 0, bTo = 0;
        GateIndexes(gate.startA, gate.stopA, anchor, aFrom, aTo);
        GateIndexes(gate.startB, gate.stopB, anchor, bFrom, bTo);
        const double a = GateArea(pulse.samples, aFrom, aTo);
        const double b = GateArea(pulse.samples, bFrom, bTo);
        double v = 0.0;
        Combine(gate.operatorIndex, a, alpha, b, v);
        if (gate.operatorIndex == 3 && alpha * b == 0.0) {
            ++result.divisionsByZero;
        }
        result.runTimeMinutes[i] = static_cast<double>(pulse.timeCounter) / 6000.0;
        result.areaA[i] = a;
        result.areaB[i] = b;
        result.value[i] = v;
    }

    switch (base.kind) {
    case BaselineKind::None:
        break;
    case BaselineKind::FirstPulses:
        result.baseline = Mean(std::span<const double>(result.value).first(std::min(base.count, n)));
        break;
    case BaselineKind::PulseRange:
        result.baseline =
            Mean(std::span<const double>(result.value).subspan(base.first, base.last - base.first + 1));
        break;
    case BaselineKind::Fixed:
        result.baseline = base.value;
        break;
    }
    for (double& v : result.value) {
        v -= result.baseline;
        if (gate.squareRoot != 0) {
            v = v > 0.0 ? std::sqrt(v) : 0.0;
        }
    }
    out = std::move(result);
    return true;
}

GateMode ChannelGateMode(const ConfigurationBlock& block, int channel) {
    if (block.gateModes.empty()) {
        GateMode initial;
        initial.startA = 5.0f;
        initial.stopA = 10.0f;
        initial.startB = 15.0f;
        initial.stopB = 17.0f;
        return initial;
    }
    const ChannelSettings& settings = block.channels[channel == 1 ? 1 : 0];
    std::size_t found = 0;
    for (std::size_t i = 0; i < block.gateModes.size(); ++i) {
        if (block.gateModes[i].name == settings.gateModeName &&
            block.gateModes[i].suffix == settings.gateModeSuffix) {
            found = i;
        }
    }
    return block.gateModes[found];
}

RegateSettings SettingsForChannel(const ConfigurationBlock& block, int channel) {
    RegateSettings settings;
    settings.gate = ChannelGateMode(block, channel);
    settings.triggerLevel = block.board.triggerLevel;
    return settings;
}

std::vector<std::pair<std::string, std::string>> DescribeSettings(const RegateSettings& settings,
                                                                  const Chromatogram& result) {
    const GateMode& g = settings.gate;
    std::vector<std::pair<std::string, std::string>> lines;
    lines.emplace_back("gate_mode",
                       GateModeDisplayName(g.name, g.suffix) + (settings.edited ? " (edited)" : ""));
    lines.emplace_back("gate_a_start_ms", FloatText(g.startA));
    lines.emplace_back("gate_a_stop_ms", FloatText(g.stopA));
    lines.emplace_back("gate_operator", TableText(kOperatorNames, g.operatorIndex));
    lines.emplace_back("gate_alpha", FloatText(g.alpha));
    lines.emplace_back("gate_b_start_ms", FloatText(g.startB));
    lines.emplace_back("gate_b_stop_ms", FloatText(g.stopB));
    lines.emplace_back("gate_square_root", TableText(kOffOnNames, g.squareRoot));
    lines.emplace_back("gate_expression", "A " + TableText(kOperatorNames, g.operatorIndex) + " alpha*B" +
                                              (g.squareRoot != 0 ? ", square root after baseline" : ""));
    lines.emplace_back("gate_anchor", settings.fromPulseStart
                                          ? Format("pulse start (trigger level %d)", settings.triggerLevel)
                                          : std::string("first sample"));
    std::string baseline;
    const BaselineChoice& b = settings.baseline;
    switch (b.kind) {
    case BaselineKind::None:
        baseline = "none";
        break;
    case BaselineKind::FirstPulses:
        baseline = Format("mean of the first %zu pulses", b.count);
        break;
    case BaselineKind::PulseRange:
        baseline = Format("mean of pulses %zu to %zu", b.first, b.last);
        break;
    case BaselineKind::Fixed:
        baseline = "fixed";
        break;
    }
    lines.emplace_back("baseline_method", baseline);
    lines.emplace_back("baseline_value", Format("%.9g", result.baseline));
    lines.emplace_back("area_unit", "counts*ms");
    return lines;
}

} // namespace veltrane
