#pragma once

#include "protocol/PulseRecord.h"

#include <cstdint>
#include <string>

namespace veltrane {

// What one look for a pulse reply found.
enum class PulseRead {
    None,   // nothing (whole) has arrived yet
    Pulse,  // a pulse, in the record
    Damaged // a reply arrived but could not be taken (bad CRC, NAK, broken frame)
};

// What the acquisition cycle needs of the controller link. The program adapts the one
// DeviceLink (with the configuration model for the settings transfers); tests use a fake.
class ControllerPort {
public:
    virtual ~ControllerPort() = default;

    virtual bool IsOpen() const = 0;
    // Opens the line again with the session's settings after it was lost.
    virtual bool Reopen() = 0;
    // The controller's identification (its version text); false when nothing answered.
    virtual bool ReadControllerId(std::string& text) = 0;

    virtual PulseRead ReadPulse(PulseRecord& record) = 0;
    virtual bool RequestPulse() = 0;
    virtual void FlushInput() = 0;

    virtual bool ReceiveAllSettings() = 0;
    virtual bool TransmitAllSettings() = 0;
    virtual void ResetToReady() = 0;
    // channel 0 or 1; the value is the configuration's zero value when the request runs.
    virtual void WriteChannelZero(int channel) = 0;
    virtual bool ReadDspMode(int& mode) = 0;
    virtual void SaveToEeprom() = 0;
};

} // namespace veltrane
