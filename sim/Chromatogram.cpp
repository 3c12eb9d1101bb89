#include "sim/Chromatogram.h"

#include <cmath>
#include <iterator>

namespace veltrane {

namespace {

const SampleChromatogram::Peak kPeaks[] = {
    {0.10, 4.0, 0.0, 0.0}, // solvent
    {0.22, 0.2, 0.0, 1.0}, // a sulfide
    {0.34, 0.2, 1.0, 0.0}, // an organophosphate
    {0.48, 3.0, 0.0, 1.2}, // a thiol co-eluting with a hydrocarbon: its sulfur light is quenched
    {0.62, 0.1, 0.6, 0.0}, {0.78, 0.3, 0.8, 0.6}, // carries both heteroatoms
};

} // namespace

const SampleChromatogram::Peak* SampleChromatogram::Peaks(int& count) {
    count = static_cast<int>(std::size(kPeaks));
    return kPeaks;
}

Elution SampleChromatogram::At(double runSeconds) const {
    Elution elution;
    if (runLength_ <= 0.0 || runSeconds < 0.0) {
        return elution;
    }
    const double sigma = kWidthFraction * runLength_;
    for (const Peak& peak : kPeaks) {
        const double z = (runSeconds - peak.position * runLength_) / sigma;
        if (std::abs(z) > 6.0) {
            continue;
        }
        const double weight = std::exp(-0.5 * z * z);
        elution.hydrocarbon += peak.hydrocarbon * weight;
        elution.phosphorus += peak.phosphorus * weight;
        elution.sulfur += peak.sulfur * weight;
    }
    return elution;
}

} // namespace veltrane
