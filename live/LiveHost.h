#pragma once

#include "protocol/PulseRecord.h"

#include <string>

namespace veltrane {

// What the acquisition cycle asks of the window side. The form view implements it.
class LiveHost {
public:
    virtual ~LiveHost() = default;
    // Plot and status panes (the recorder has already been given the pulse).
    virtual void ShowPulse(const PulseRecord& record) = 0;
    // Modal "PMT Protection Warning" dialog.
    virtual void ShowPmtWarning() = 0;
    virtual void RefreshBoardDialog() = 0;
    virtual void WriteRunLog(const std::string& text) = 0;
    // Wait cursor around a deferred request.
    virtual void BeginBusy() = 0;
    virtual void EndBusy() = 0;
    // The line went away (an unplugged adapter) or came back.
    virtual void ReportLinkLost() = 0;
    virtual void ReportLinkRestored() = 0;
};

} // namespace veltrane
