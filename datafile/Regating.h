#pragma once

#include "config/ConfigurationBlock.h"
#include "datafile/DataFileReader.h"
#include "protocol/ConfigTypes.h"

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace veltrane {

// Samples are 0.1 ms apart.
inline constexpr double kSampleMs = 0.1;

enum class BaselineKind {
    None,        // nothing subtracted
    FirstPulses, // mean of the first `count` pulses
    PulseRange,  // mean of pulses first..last (inclusive)
    Fixed        // a value given by the user
};

struct BaselineChoice {
    BaselineKind kind = BaselineKind::FirstPulses;
    std::size_t count = 10;
    std::size_t first = 0;
    std::size_t last = 0;
    double value = 0.0;

    bool operator==(const BaselineChoice& other) const = default;
};

// How pulses are turned into one chromatogram point each.
struct RegateSettings {
    GateMode gate;
    // Gates are placed after the pulse start (first sample at or above the trigger level), as the
    // live plot places its markers; otherwise after the first sample.
    bool fromPulseStart = true;
    int triggerLevel = 1;
    BaselineChoice baseline;
    // The gate differs from the mode of that name in the file's configuration.
    bool edited = false;

    bool operator==(const RegateSettings& other) const = default;
};

struct Chromatogram {
    std::vector<double> runTimeMinutes;
    std::vector<double> areaA; // counts x ms
    std::vector<double> areaB;
    std::vector<double> value; // "A <op> alpha*B", baseline subtracted, square root when asked
    double baseline = 0.0;
    std::size_t divisionsByZero = 0; // "/" with alpha*B = 0: the point is 0
};

// Area of samples [from, to) x 0.1 ms, indexes held inside the pulse.
double GateArea(std::span<const std::uint16_t> samples, long from, long to);

// The sample indexes [from, to) of a gate start..stop (ms) after the sample `anchor`.
void GateIndexes(float start, float stop, int anchor, long& from, long& to);

// First sample at or above the level, or -1.
int PulseStart(std::span<const std::uint16_t> samples, int triggerLevel);

// "A <op> alpha*B" for operator index 0..3; false for any other operator.
bool Combine(int operatorIndex, double a, double alpha, double b, double& result);

// The gate areas and the combined value of one pulse, before any baseline.
struct GatedPulse {
    double runTimeMinutes = 0.0;
    double areaA = 0.0;
    double areaB = 0.0;
    double value = 0.0;
    bool divisionByZero = false; // "/" with alpha*B = 0: the value is 0
};

// Re-gates pulses one at a time in the order they came: the batch Regate and the live
// chromatogram both go through it. The operator must be one of the four (Regate checks).
class PulseGate {
public:
    explicit PulseGate(const RegateSettings& settings) : settings_(settings) {}
    GatedPulse Next(std::span<const std::uint16_t> samples, std::uint32_t timeCounter);

private:
    RegateSettings settings_;
    // A pulse without a start keeps the previous pulse's start, as the live plot does.
    int anchor_ = 0;
};

// The baseline of values arriving one at a time, as Regate takes it from all of them: at any
// moment it is the baseline the batch would give for the values so far. A pulse range not yet
// complete gives the mean of the part there is.
class RunningBaseline {
public:
    explicit RunningBaseline(const BaselineChoice& choice) : choice_(choice) {}
    void Add(double value);
    double Value() const;

private:
    BaselineChoice choice_;
    std::size_t seen_ = 0;
    std::size_t summed_ = 0;
    double sum_ = 0.0;
};

// A point's value after the baseline: subtracted, then the square root when the gate asks for
// it (negative values give 0). Never decreasing in raw, so the extremes of raw stay extremes.
double BaselinedValue(double raw, double baseline, bool squareRoot);

// Re-gates every pulse. False (with a message) for an operator outside the table or a baseline
// range outside the pulses; out is then left as it was.
bool Regate(std::span<const StoredPulse> pulses, const RegateSettings& settings, Chromatogram& out,
            std::string& error);

// The gate mode of a channel (0 or 1) of a configuration: the last mode with the channel's
// (name, suffix), the first mode when none has it, and the live plot's initial gates when the
// configuration holds no gate modes at all.
GateMode ChannelGateMode(const ConfigurationBlock& block, int channel);

// Settings for a channel of a file: its gate mode and the board's trigger level.
RegateSettings SettingsForChannel(const ConfigurationBlock& block, int channel);

// Readable lines describing the settings used ("key,value"), written with every export.
std::vector<std::pair<std::string, std::string>> DescribeSettings(const RegateSettings& settings,
                                                                  const Chromatogram& result);

} // namespace veltrane
