#pragma once

#include "plot/MarkerHandleSet.h"
#include "plot/OFloatArray.h"
#include "protocol/ConfigTypes.h"
#include "protocol/PulseRecord.h"

#include <array>
#include <cstdint>

namespace veltrane {

class PlotModel;

constexpr float kPulseTimeStep = 0.1f;   // ms per sample
constexpr float kLastSampleTime = 24.9f; // markers are held in 0..24.9 ms
constexpr float kPulseTimeSpan = 25.0f;
constexpr float kFullScalePerAttenuation = 273.4375f; // per unit of the attenuation factor

// Index of the first sample at or above the trigger level, or -1.
int FindTriggerIndex(const std::array<std::uint16_t, kPulseSamples>& samples, int triggerLevel);
// The y full scale of the traces for an attenuation factor, held to 1..256.
float FullScaleForAttenuation(int factor);
// A marker time held in 0..24.9.
float HoldMarkerTime(float x);

struct MarkerPair {
    float start = 0.0f;
    float stop = 0.0f;
    bool operator==(const MarkerPair&) const = default;
};

// The four marker values in the order the live view is told them.
struct MarkerValues {
    float aStart = 0.0f;
    float bStart = 0.0f;
    float aStop = 0.0f;
    float bStop = 0.0f;
    bool operator==(const MarkerValues&) const = default;
};

// The markers as they stood when a reference was held, with the nearest point to each.
struct ReferenceMarks {
    float aStart = 0.0f;
    float aStop = 0.0f;
    int aStartIndex = 0;
    int aStopIndex = 0;
    float bStart = 0.0f;
    float bStop = 0.0f;
    int bStartIndex = 0;
    int bStopIndex = 0;
};

// The pulse plot without a window: the three traces' values, the pulse start, the marker pairs
// relative to it and the held references.
class PulsePlotModel {
public:
    enum HandleIndex {
        kAStart = 0,
        kAStop = 1,
        kBStart = 2,
        kBStop = 3
    };

    explicit PulsePlotModel(PlotModel& plot);
    PulsePlotModel(const PulsePlotModel&) = delete;
    PulsePlotModel& operator=(const PulsePlotModel&) = delete;

    // Attaches "Current Pulse", "Reference 1", "Reference 2" and adds the four handles.
    void SetUp();

    void AddPulse(const PulseRecord& pulse, int triggerLevel);
    void HoldReference(int n);
    void ClearReference(int n);
    void SetMarkerPairA(float start, float stop);
    void SetMarkerPairB(float start, float stop);
    void SetAttenuationFactor(int factor);

    // The marker drag; positions are pixels.
    bool PressHandle(PixelPoint point);
    HandleMove MoveHandle(PixelPoint point) { return markers_.Move(point); }
    // Stores the pairs from the handles; false when no drag was in progress.
    bool ReleaseHandle(PixelPoint point, MarkerValues& told);
    bool CancelDrag(MarkerValues& told);

    int CurrentTraceIndex() const { return currentTrace_; }
    int ReferenceTraceIndex(int n) const { return referenceTrace_[Slot(n)]; }
    int TriggerIndex() const { return triggerIndex_; }
    float TriggerTime() const { return triggerTime_; }
    int ReferenceTriggerIndex(int n) const { return referenceTriggerIndex_[Slot(n)]; }
    const ReferenceMarks& Marks(int n) const { return referenceMarks_[Slot(n)]; }
    bool ReferenceVisible(int n) const;
    MarkerPair PairA() const { return pairA_; }
    MarkerPair PairB() const { return pairB_; }
    MarkerValues Values() const { return {pairA_.start, pairB_.start, pairA_.stop, pairB_.stop}; }
    int AttenuationFactor() const { return attenuationFactor_; }
    const MarkerHandleSet& Markers() const { return markers_; }
    const OFloatArray& CurrentValues() const { return currentValues_; }

private:
    static std::size_t Slot(int n) { return n == 1 ? 1 : 0; }
    void MovePairHandles(int startHandle, int stopHandle, const MarkerPair& pair);
    void StorePairsFromHandles(float relativeTo);

    PlotModel& plot_;
    OFloatArray timeAxis_;
    OFloatArray currentValues_;
    std::array<OFloatArray, 2> referenceValues_;
    std::array<ReferenceMarks, 2> referenceMarks_{};
    std::array<int, 2> referenceTriggerIndex_{-1, -1};
    std::array<int, 2> referenceTrace_{-1, -1};
    int currentTrace_ = -1;
    int triggerIndex_ = -1;
    float triggerTime_ = 0.0f;
    float dragTriggerTime_ = 0.0f;
    MarkerPair pairA_{5.0f, 10.0f};
    MarkerPair pairB_{15.0f, 17.0f};
    int attenuationFactor_ = kMaxAttenuationFactor;
    MarkerHandleSet markers_;
};

} // namespace veltrane
