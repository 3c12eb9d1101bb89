#pragma once

#include "protocol/PulseRecord.h"

namespace veltrane {

// The recording side of the live cycle: the data file recorder behind the form's
// "Record Data" toggle.
class PulseRecorderPort {
public:
    virtual ~PulseRecorderPort() = default;
    virtual bool IsRecording() const = 0;
    virtual void StartRecording() = 0;
    virtual void StopRecording() = 0;
    virtual void AppendPulse(const PulseRecord& record) = 0;
};

// Until a data file is chosen nothing records.
class NullRecorder : public PulseRecorderPort {
public:
    bool IsRecording() const override { return false; }
    void StartRecording() override {}
    void StopRecording() override {}
    void AppendPulse(const PulseRecord&) override {}
};

} // namespace veltrane
