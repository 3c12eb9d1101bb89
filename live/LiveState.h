#pragma once

#include "live/PendingRequest.h"
#include "protocol/PulseRecord.h"

#include <string>

namespace veltrane {

// The program-wide live state. One instance, owned by the application object and passed
// by reference; everything runs on the user-interface thread, so these are plain fields.
struct LiveState {
    bool online = false;
    bool pollingSuspended = false;
    int resumeDelay = 0;
    PendingRequest pendingRequest;
    bool boardDialogOpen = false;
    bool skipNextReceive = false;

    ControllerStatus status;
    float runTime = 0.0f; // minutes
    int dspMode = 0;

    std::string controllerId = "PFPD1998000";
    std::string controllerVersion;
    int baudRate = 38400; // set through the application, which keeps the line at this rate

    std::string dataDriveRoot;
    float maxDataFileMB = 1.4f;
    float minDiskFreeMB = 2.0f;
    float currentFileSizeMB = 0.0f;
};

// Sets PollingSuspended for the life of the object and gives back the value it had, so a
// message shown inside an already suspended exchange does not resume polling early.
class ScopedPollingSuspend {
public:
    explicit ScopedPollingSuspend(LiveState& state) : state_(state), previous_(state.pollingSuspended) {
        state_.pollingSuspended = true;
    }
    ~ScopedPollingSuspend() { state_.pollingSuspended = previous_; }
    ScopedPollingSuspend(const ScopedPollingSuspend&) = delete;
    ScopedPollingSuspend& operator=(const ScopedPollingSuspend&) = delete;

private:
    LiveState& state_;
    bool previous_;
};

} // namespace veltrane
