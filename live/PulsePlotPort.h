#pragma once

#include "device/PulseRecord.h"
#include "live/PulsePlotForm.h"

#include <functional>
#include <memory>

class QWidget;

namespace veltrane {

// The pulse plot as the live view uses it. The full plot widget implements this; until it
// does, PlaceholderPlot draws the raw pulse.
class PulsePlotPort {
public:
    virtual ~PulsePlotPort() = default;
    virtual QWidget* Widget() = 0;
    virtual void SetForm(PulsePlotForm* form) = 0;
    // Copies the samples, sets the run time and the form's current frequency (100 / period copy).
    virtual void AddPulse(const PulseRecord& record) = 0;
    virtual bool IsDragging() const = 0;
    virtual void HoldReference(int index) = 0; // 0 reference 1, 1 reference 2
    virtual void ClearReference(int index) = 0;
    virtual void SetMarkerPairA(float start, float stop) = 0;
    virtual void SetMarkerPairB(float start, float stop) = 0;
    virtual void SetAttenuation(int attenuation) = 0;
    virtual void SetZoom(double factor) = 0;
    virtual void PreviousZoom() = 0;
};

using PulsePlotFactory = std::function<std::unique_ptr<PulsePlotPort>(QWidget* parent)>;

} // namespace veltrane
