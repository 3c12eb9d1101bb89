#pragma once

#include "live/PulsePlotPort.h"

#include <functional>

class QString;

namespace veltrane {

class OPfpdPlot;
class Prompts;

// The full pulse plot behind the live view's plot interface.
class PfpdPlotAdapter : public PulsePlotPort {
public:
    // painted runs after each paint of the plot (the pulse timeline's end point).
    PfpdPlotAdapter(QWidget* parent, Prompts& prompts, std::function<int()> triggerLevel,
                    std::function<void(const QString&)> statusText, std::function<void()> painted = {});
    ~PfpdPlotAdapter() override;

    QWidget* Widget() override;
    void SetForm(PulsePlotForm* form) override;
    void AddPulse(const PulseRecord& record) override;
    bool IsDragging() const override;
    void HoldReference(int index) override;
    void ClearReference(int index) override;
    void SetMarkerPairA(float start, float stop) override;
    void SetMarkerPairB(float start, float stop) override;
    void SetAttenuation(int attenuation) override;
    void SetZoom(double factor) override;
    void PreviousZoom() override;

private:
    OPfpdPlot* plot_;
    std::function<int()> triggerLevel_;
    std::function<void()> painted_;
};

} // namespace veltrane
