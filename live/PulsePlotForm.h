#pragma once

namespace veltrane {

// What the pulse plot calls back on the form that owns it.
class PulsePlotForm {
public:
    virtual ~PulsePlotForm() = default;
    virtual void SetCurrentFrequency(float hz) = 0;
    virtual void SetRunTime(float minutes) = 0;
    virtual void SetMarkerAStart(float value) = 0;
    virtual void SetMarkerAStop(float value) = 0;
    virtual void SetMarkerBStart(float value) = 0;
    virtual void SetMarkerBStop(float value) = 0;
    virtual float GetMarkerAStart() const = 0;
    virtual float GetMarkerAStop() const = 0;
    virtual float GetMarkerBStart() const = 0;
    virtual float GetMarkerBStop() const = 0;
    virtual int GetAttenuation() const = 0;
};

} // namespace veltrane
