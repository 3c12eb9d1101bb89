#include "live/AcquisitionCycle.h"

#include "config/Messages.h"

#include <algorithm>

namespace veltrane {

AcquisitionCycle::AcquisitionCycle(LiveState& state, ControllerPort& port, LiveHost& host, const Clock& clock,
                                   Sleeper& sleeper)
    : state_(state), port_(port), host_(host), clock_(clock), sleeper_(sleeper), recorder_(&nullRecorder_) {}

void AcquisitionCycle::SetRecorder(PulseRecorderPort* recorder) {
    recorder_ = recorder != nullptr ? recorder : &nullRecorder_;
}

void AcquisitionCycle::Tick() {
    if (state_.pollingSuspended) {
        return;
    }
    if (state_.resumeDelay > 0) {
        --state_.resumeDelay;
        return;
    }
    // A modal box opened inside a tick pumps timer messages; those nested ticks do nothing.
    if (tickInProgress_) {
        return;
    }
    tickInProgress_ = true;
    const std::int64_t startMs = clock_.NowMs();
    ++stats_.ticks;

    const std::uint64_t reconnects = stats_.reconnects;
    bool ranRequest = false;
    if (WatchLink()) {
        ranRequest = stats_.reconnects != reconnects; // the settings were received again
        const int code = state_.pendingRequest.Take();
        if (code != kRequestNone) {
            CarryOut(code);
            ranRequest = true;
        }
        Poll();
    }

    const std::int64_t elapsed = clock_.NowMs() - startMs;
    std::int64_t& longest = ranRequest ? stats_.longestRequestTickMs : stats_.longestTickMs;
    if (elapsed > longest) {
        longest = elapsed;
    }
    tickInProgress_ = false;
}

// An unplugged adapter closes the line. Try to open it again about once a second and say
// once that it was lost; pending requests wait for its return.
bool AcquisitionCycle::WatchLink() {
    if (!linkLost_) {
        if (port_.IsOpen()) {
            return true;
        }
        linkLost_ = true;
        lastReopenMs_ = clock_.NowMs();
        ++stats_.linkLosses;
        host_.ReportLinkLost();
        return false;
    }
    const std::int64_t now = clock_.NowMs();
    if (now - lastReopenMs_ < kReopenIntervalMs) {
        return false;
    }
    lastReopenMs_ = now;
    if (!port_.IsOpen() && !port_.Reopen()) {
        return false;
    }
    // The controller may have been reset or replaced meanwhile: it must answer who it is
    // before the line counts as back.
    port_.FlushInput();
    std::string version;
    if (!port_.ReadControllerId(version)) {
        return false;
    }
    state_.controllerVersion = version;
    linkLost_ = false;
    lastPulseMs_ = kNoPulseYet; // ask for the stream again at once
    lastRequestMs_ = kNoPulseYet;
    haveSequence_ = false; // pulses fired during the outage are not gaps of ours
    ++stats_.reconnects;
    host_.ReportLinkRestored();
    // Its settings are taken again, as at start-up, before any pulse; a pending transfer
    // already brings the two into line (a transmit keeps the operator's newer settings).
    const int pending = state_.pendingRequest.Current();
    if (pending != kRequestReceiveAll && pending != kRequestTransmitAll) {
        CarryOut(kRequestReceiveAll);
    }
    return true;
}

void AcquisitionCycle::CarryOut(int code) {
    host_.BeginBusy();
    sleeper_.SleepMs(kRequestPauseMs);
    port_.FlushInput();
    RunRequest(code);
    AskForPulse();
    host_.EndBusy();
    if (state_.boardDialogOpen) {
        host_.RefreshBoardDialog();
    }
}

void AcquisitionCycle::RunRequest(int code) {
    switch (code) {
    case kRequestReceiveAll:
        port_.ReceiveAllSettings();
        break;
    case kRequestTransmitAll:
        port_.TransmitAllSettings();
        break;
    case kRequestReset:
        port_.ResetToReady();
        break;
    case kRequestChannel1Zero:
        port_.WriteChannelZero(0);
        break;
    case kRequestChannel2Zero:
        port_.WriteChannelZero(1);
        break;
    case kRequestReadDspMode: {
        int mode = state_.dspMode;
        if (port_.ReadDspMode(mode)) {
            state_.dspMode = mode;
        }
        break;
    }
    case kRequestSaveToEeprom:
        port_.SaveToEeprom();
        break;
    default:
        break; // unknown codes are dropped
    }
}

bool AcquisitionCycle::Poll() {
    PulseRecord record;
    const PulseRead read = port_.ReadPulse(record);
    const bool arrived = read == PulseRead::Pulse;
    if (read == PulseRead::Repeated) {
        ++stats_.duplicates; // shown and recorded once already; it answers no request of ours
    } else if (arrived) {
        AskForPulse(); // the controller prepares the next pulse meanwhile
        const ControllerStatus status = ControllerStatus::Decode(record.statusWord);
        state_.status = status;
        HandleStatus(status);
        CountSequence(record);
        recorder_->AppendPulse(record);
        host_.ShowPulse(record);
        lastPulseMs_ = clock_.NowMs();
    } else if (read == PulseRead::Damaged) {
        // The controller answered and now waits for the next request: ask at once rather
        // than leave the stream silent until the restart below.
        ++stats_.damagedReplies;
        AskForPulse();
    }
    // Measured in milliseconds, so the restart comes 2 s after the last pulse, not up to
    // a second later as whole-second arithmetic would have it. It waits as long for the
    // answer to its own request before it asks again: a request sent on every tick of a
    // silence would stack up, the controller would hold one more than the cycle knew of and
    // answer one pulse ahead from then on, or not, depending on when the first reply came.
    if (clock_.NowMs() - std::max(lastPulseMs_, lastRequestMs_) > kStreamRestartMs) {
        AskForPulse();
    }
    return arrived;
}

void AcquisitionCycle::AskForPulse() {
    port_.RequestPulse();
    lastRequestMs_ = clock_.NowMs();
}

void AcquisitionCycle::HandleStatus(const ControllerStatus& status) {
    bool restarted = false;
    if (status.gcReadyToRun != 0 || status.gcRunToRun != 0) {
        if (recorder_->IsRecording()) {
            RestartRecording();
            restarted = true;
        }
        if (status.gcReadyToRun != 0) {
            host_.WriteRunLog(messages::kLogReadyToRun);
        }
        if (status.gcRunToRun != 0) {
            host_.WriteRunLog(messages::kLogRunToRun);
        }
    }

    if (status.gcRunLevel != 0 && previousRunLevel_ == 0) {
        // The transition above has already begun a new file for this run; a second
        // restart would only leave an empty one behind.
        if (!restarted) {
            if (recorder_->IsRecording()) {
                recorder_->StopRecording();
            }
            recorder_->StartRecording();
        }
    } else if (status.gcRunLevel == 0 && previousRunLevel_ != 0) {
        if (recorder_->IsRecording()) {
            recorder_->StopRecording();
        }
    }
    previousRunLevel_ = status.gcRunLevel;

    if (status.pmtProtection != 0) {
        if (!pmtWarningShown_) {
            pmtWarningShown_ = true; // before the modal box, so nested ticks cannot show it again
            host_.ShowPmtWarning();
        }
        if (state_.boardDialogOpen) {
            host_.RefreshBoardDialog();
        }
    } else {
        pmtWarningShown_ = false;
    }
}

void AcquisitionCycle::RestartRecording() {
    recorder_->StopRecording();
    recorder_->StartRecording();
}

void AcquisitionCycle::CountSequence(const PulseRecord& record) {
    if (stats_.pulses == 0) {
        stats_.firstPulseMs = clock_.NowMs();
    }
    ++stats_.pulses;
    if (haveSequence_) {
        const auto expected = static_cast<std::uint8_t>(lastSequence_ + 1);
        if (record.sequence == lastSequence_) {
            ++stats_.duplicates;
        } else if (record.sequence != expected) {
            stats_.sequenceGaps += static_cast<std::uint8_t>(record.sequence - expected);
        }
    }
    haveSequence_ = true;
    lastSequence_ = record.sequence;
}

} // namespace veltrane
