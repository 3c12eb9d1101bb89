#pragma once

namespace veltrane {

// Amounts eluting at one moment of a GC run, above the flame's own background.
struct Elution {
    double hydrocarbon = 0.0;
    double phosphorus = 0.0;
    double sulfur = 0.0;
};

// The built-in sample: a solvent front, sulfur and phosphorus compounds and a sulfur compound
// hidden under a hydrocarbon, placed at fixed fractions of the run so short runs show them too.
class SampleChromatogram {
public:
    explicit SampleChromatogram(double runLengthSeconds) : runLength_(runLengthSeconds) {}

    Elution At(double runSeconds) const;

    struct Peak {
        double position; // fraction of the run length
        double hydrocarbon;
        double phosphorus;
        double sulfur;
    };
    static const Peak* Peaks(int& count);
    static constexpr double kWidthFraction = 0.012; // standard deviation, fraction of the run

private:
    double runLength_;
};

} // namespace veltrane
