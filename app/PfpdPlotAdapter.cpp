#include "app/PfpdPlotAdapter.h"

#include "plot/OPfpdPlot.h"

namespace veltrane {

PfpdPlotAdapter::PfpdPlotAdapter(QWidget* parent, Prompts& prompts, std::function<int()> triggerLevel,
                                 std::function<void(const QString&)> statusText,
                                 std::function<void()> painted)
    : plot_(new OPfpdPlot(parent, &prompts)), triggerLevel_(std::move(triggerLevel)),
      painted_(std::move(painted)) {
    plot_->SetStatusTextHandler(std::move(statusText));
    // The live plot reads values off dotted lines at its labelled ticks.
    plot_->SetGridLines(true);
    SetForm(nullptr);
}

PfpdPlotAdapter::~PfpdPlotAdapter() {
    delete plot_;
}

QWidget* PfpdPlotAdapter::Widget() {
    return plot_;
}

void PfpdPlotAdapter::SetForm(PulsePlotForm* form) {
    OPfpdPlot::Hooks hooks;
    hooks.triggerLevel = triggerLevel_;
    hooks.painted = painted_;
    if (form != nullptr) {
        plot_->SetMarkerPairA(form->GetMarkerAStart(), form->GetMarkerAStop());
        plot_->SetMarkerPairB(form->GetMarkerBStart(), form->GetMarkerBStop());
        plot_->SetAttenuation(form->GetAttenuation());
        hooks.currentFrequency = [form](float hz) { form->SetCurrentFrequency(hz); };
        hooks.runTime = [form](float minutes) { form->SetRunTime(minutes); };
        hooks.markersChanged = [form](const MarkerValues& values) {
            form->SetMarkerAStart(values.aStart);
            form->SetMarkerAStop(values.aStop);
            form->SetMarkerBStart(values.bStart);
            form->SetMarkerBStop(values.bStop);
        };
    }
    plot_->SetHooks(std::move(hooks));
}

void PfpdPlotAdapter::AddPulse(const PulseRecord& record) {
    plot_->AddPulse(record);
}

bool PfpdPlotAdapter::IsDragging() const {
    return plot_->IsDragging();
}

void PfpdPlotAdapter::HoldReference(int index) {
    plot_->HoldReference(index);
}

void PfpdPlotAdapter::ClearReference(int index) {
    plot_->ClearReference(index);
}

void PfpdPlotAdapter::SetMarkerPairA(float start, float stop) {
    plot_->SetMarkerPairA(start, stop);
}

void PfpdPlotAdapter::SetMarkerPairB(float start, float stop) {
    plot_->SetMarkerPairB(start, stop);
}

void PfpdPlotAdapter::SetAttenuation(int attenuation) {
    plot_->SetAttenuation(attenuation);
}

void PfpdPlotAdapter::SetZoom(double factor) {
    plot_->SetZoom(factor);
}

void PfpdPlotAdapter::PreviousZoom() {
    plot_->PreviousZoom();
}

} // namespace veltrane
