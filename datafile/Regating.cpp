#include "datafile/Regating.h"

#include "config/Vocabulary.h"
#include "datafile/Messages.h"
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

GatedPulse PulseGate::Next(std::span<const std::uint16_t> samples, std::uint32_t timeCounter) {
    const GateMode& gate = settings_.gate;
    if (settings_.fromPulseStart) {
        const int start = PulseStart(samples, settings_.triggerLevel);
        if (start >= 0) {
            anchor_ = start;
        }
    }
    long aFrom = 0, aTo = 0, bFrom = 0, bTo = 0;
    GateIndexes(gate.startA, gate.stopA, anchor_, aFrom, aTo);
    GateIndexes(gate.startB, gate.stopB, anchor_, bFrom, bTo);
    GatedPulse out;
    out.runTimeMinutes = static_cast<double>(timeCounter) / 6000.0;
    out.areaA = GateArea(samples, aFrom, aTo);
    out.areaB = GateArea(samples, bFrom, bTo);
    Combine(gate.operatorIndex, out.areaA, gate.alpha, out.areaB, out.value);
    out.divisionByZero = gate.operatorIndex == 3 && gate.alpha * out.areaB == 0.0;
    return out;
}

void RunningBaseline::Add(double value) {
    const std::size_t index = seen_++;
    bool take = false;
    switch (choice_.kind) {
    case BaselineKind::FirstPulses:
        take = index < choice_.count;
        break;
    case BaselineKind::PulseRange:
        take = index >= choice_.first && index <= choice_.last;
        break;
    default:
        break;
    }
    if (take) {
        sum_ += value;
        ++summed_;
    }
}

double RunningBaseline::Value() const {
    switch (choice_.kind) {
    case BaselineKind::FirstPulses:
    case BaselineKind::PulseRange:
        return summed_ == 0 ? 0.0 : sum_ / static_cast<double>(summed_);
    case BaselineKind::Fixed:
        return choice_.value;
    default:
        return 0.0;
    }
}

double BaselinedValue(double raw, double baseline, bool squareRoot) {
    const double v = raw - baseline;
    if (!squareRoot) {
        return v;
    }
    return v > 0.0 ? std::sqrt(v) : 0.0;
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
    PulseGate pulseGate(settings);
    RunningBaseline baseline(base);
    for (std::size_t i = 0; i < n; ++i) {
        const GatedPulse gated = pulseGate.Next(pulses[i].samples, pulses[i].timeCounter);
        if (gated.divisionByZero) {
            ++result.divisionsByZero;
        }
        result.runTimeMinutes[i] = gated.runTimeMinutes;
        result.areaA[i] = gated.areaA;
        result.areaB[i] = gated.areaB;
        result.value[i] = gated.value;
        baseline.Add(gated.value);
    }
    result.baseline = baseline.Value();
    for (double& v : result.value) {
        v = BaselinedValue(v, result.baseline, gate.squareRoot != 0);
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
        baseline = "mean of the first " + std::to_string(b.count) + " pulses";
        break;
    case BaselineKind::PulseRange:
        baseline = "mean of pulses " + std::to_string(b.first) + " to " + std::to_string(b.last);
        break;
    case BaselineKind::Fixed:
        baseline = "fixed";
        break;
    }
    lines.emplace_back("baseline_method", baseline);
    // Areas are whole counts x 0.1 ms, so four decimals say all their mean means.
    lines.emplace_back("baseline_value", DecimalText(result.baseline, 4));
    lines.emplace_back("area_unit", "counts*ms");
    return lines;
}

} // namespace veltrane
