#include "plot/PulsePlotModel.h"

#include "plot/PlotMessages.h"
#include "plot/PlotModel.h"

#include <algorithm>
#include <memory>

namespace veltrane {

int FindTriggerIndex(const std::array<std::uint16_t, kPulseSamples>& samples, int triggerLevel) {
    for (int i = 0; i < kPulseSamples; ++i) {
        if (static_cast<int>(samples[static_cast<std::size_t>(i)]) >= triggerLevel)
            return i;
    }
    return -1;
}

float FullScaleForAttenuation(int factor) {
    return static_cast<float>(std::clamp(factor, 1, kMaxAttenuationFactor)) * kFullScalePerAttenuation;
}

float HoldMarkerTime(float x) {
    if (x < 0.0f)
        return 0.0f;
    if (x > kLastSampleTime)
        return kLastSampleTime;
    return x;
}

PulsePlotModel::PulsePlotModel(PlotModel& plot) : plot_(plot) {}

void PulsePlotModel::SetUp() {
    if (currentTrace_ >= 0)
        return;
    timeAxis_.SetSize(kPulseSamples, 100);
    currentValues_.SetSize(kPulseSamples, 100);
    for (OFloatArray& values : referenceValues_)
        values.SetSize(kPulseSamples, 100);
    for (int i = 0; i < kPulseSamples; ++i) {
        timeAxis_.Set(i, static_cast<float>(i) * kPulseTimeStep);
        currentValues_.Set(i, 0.0f);
        referenceValues_[0].Set(i, 0.0f);
        referenceValues_[1].Set(i, 0.0f);
    }
    const auto attach = [&](const char* name, OFloatArray& values) {
        auto trace = std::make_unique<PlotTrace>(0, 0);
        trace->name = name;
        trace->SetRange(0.0f, 0.0f, kPulseTimeSpan, FullScaleForAttenuation(attenuationFactor_));
        trace->xValues = &timeAxis_;
        trace->yValues = &values;
        trace->hasX = true;
        trace->count = kPulseSamples;
        PlotTrace* raw = trace.get();
        const int index = plot_.AddTrace(std::move(trace));
        return std::pair{index, raw};
    };
    auto [current, currentTrace] = attach(kCurrentPulseName, currentValues_);
    currentTrace->clipToView = true;
    currentTrace_ = current;
    for (int n = 0; n < 2; ++n) {
        auto [index, trace] = attach(n == 0 ? kReference1Name : kReference2Name, referenceValues_[Slot(n)]);
        referenceTrace_[Slot(n)] = index;
        if (trace != nullptr)
            trace->SetVisible(false);
    }
    plot_.SelectAxisTraces();

    markers_.Bind(&plot_, currentTrace_);
    markers_.tolerance = 5;
    markers_.AddHandle(pairA_.start, 2);
    markers_.AddHandle(pairA_.stop, 2);
    markers_.AddHandle(pairB_.start, 1);
    markers_.AddHandle(pairB_.stop, 1);
}

void PulsePlotModel::AddPulse(const PulseRecord& pulse, int triggerLevel) {
    triggerIndex_ = -1;
    for (int i = 0; i < kPulseSamples; ++i) {
        const std::uint16_t sample = pulse.samples[static_cast<std::size_t>(i)];
        currentValues_.Set(i, static_cast<float>(sample));
        if (triggerIndex_ < 0 && static_cast<int>(sample) >= triggerLevel) {
            triggerIndex_ = i;
            triggerTime_ = timeAxis_[i];
        }
    }
    // A handle under the operator's pointer stays where it is dragged.
    if (markers_.CurrentMode() == MarkerHandleSet::Idle) {
        MovePairHandles(kAStart, kAStop, pairA_);
        MovePairHandles(kBStart, kBStop, pairB_);
    }
}

bool PulsePlotModel::ReferenceVisible(int n) const {
    const PlotTrace* trace = plot_.Trace(ReferenceTraceIndex(n));
    return trace != nullptr && trace->IsVisible();
}

void PulsePlotModel::HoldReference(int n) {
    const std::size_t slot = Slot(n);
    PlotTrace* trace = plot_.Trace(referenceTrace_[slot]);
    if (trace == nullptr)
        return;
    trace->SetVisible(true);
    for (int i = 0; i < kPulseSamples; ++i)
        referenceValues_[slot].Set(i, currentValues_[i]);
    referenceTriggerIndex_[slot] = triggerIndex_;
    const auto nearest = [&](float x) {
        return plot_.NearestPoint(referenceTrace_[slot], ToLogicalX(*trace, x)).index;
    };
    ReferenceMarks& marks = referenceMarks_[slot];
    marks.aStart = markers_.HandleMin(kAStart, kAStop);
    marks.aStop = markers_.HandleMax(kAStart, kAStop);
    marks.bStart = markers_.HandleMin(kBStart, kBStop);
    marks.bStop = markers_.HandleMax(kBStart, kBStop);
    marks.aStartIndex = nearest(marks.aStart);
    marks.aStopIndex = nearest(marks.aStop);
    marks.bStartIndex = nearest(marks.bStart);
    marks.bStopIndex = nearest(marks.bStop);
}

void PulsePlotModel::ClearReference(int n) {
    if (PlotTrace* trace = plot_.Trace(ReferenceTraceIndex(n)))
        trace->SetVisible(false);
}

void PulsePlotModel::MovePairHandles(int startHandle, int stopHandle, const MarkerPair& pair) {
    markers_.SetHandle(startHandle, HoldMarkerTime(pair.start + triggerTime_));
    markers_.SetHandle(stopHandle, HoldMarkerTime(pair.stop + triggerTime_));
}

void PulsePlotModel::SetMarkerPairA(float start, float stop) {
    pairA_ = {HoldMarkerTime(start), HoldMarkerTime(stop)};
    MovePairHandles(kAStart, kAStop, pairA_);
}

void PulsePlotModel::SetMarkerPairB(float start, float stop) {
    pairB_ = {HoldMarkerTime(start), HoldMarkerTime(stop)};
    MovePairHandles(kBStart, kBStop, pairB_);
}

void PulsePlotModel::SetAttenuationFactor(int factor) {
    attenuationFactor_ = std::clamp(factor, 1, kMaxAttenuationFactor);
    for (int i = 0; i < plot_.TraceCount(); ++i)
        plot_.Trace(i)->SetRange(0.0f, 0.0f, kPulseTimeSpan, FullScaleForAttenuation(attenuationFactor_));
}

bool PulsePlotModel::PressHandle(PixelPoint point) {
    if (!markers_.Press(point))
        return false;
    dragTriggerTime_ = triggerTime_;
    return true;
}

void PulsePlotModel::StorePairsFromHandles(float relativeTo) {
    SetMarkerPairA(markers_.HandleMin(kAStart, kAStop) - relativeTo,
                   markers_.HandleMax(kAStart, kAStop) - relativeTo);
    SetMarkerPairB(markers_.HandleMin(kBStart, kBStop) - relativeTo,
                   markers_.HandleMax(kBStart, kBStop) - relativeTo);
}

bool PulsePlotModel::ReleaseHandle(PixelPoint point, MarkerValues& told) {
    if (!markers_.Release(point))
        return false;
    StorePairsFromHandles(dragTriggerTime_);
    told = Values();
    return true;
}

bool PulsePlotModel::CancelDrag(MarkerValues& told) {
    if (!markers_.Cancel())
        return false;
    StorePairsFromHandles(dragTriggerTime_);
    told = Values();
    return true;
}

} // namespace veltrane
