#pragma once

namespace veltrane {

// Deferred controller request codes, carried out by the next timer tick.
enum RequestCode : int {
    kRequestNone = 0,
    kRequestReceiveAll = 1,
    kRequestTransmitAll = 2,
    kRequestReset = 3,
    kRequestChannel1Zero = 8,
    kRequestChannel2Zero = 9,
    kRequestReadDspMode = 11,
    kRequestSaveToEeprom = 12,
};

// One request slot: a later request replaces an earlier one that has not run yet.
// A follow-up queued behind the current request survives that replacement, so the
// EEPROM save asked for after opening a file always runs after its transmit and can
// never take the transmit's place.
class PendingRequest {
public:
    void Post(int code) {
        current_ = code;
        if (followUp_ == code) {
            followUp_ = kRequestNone;
        }
    }
    // Runs code after whatever is pending now (at once when nothing is).
    void PostAfterCurrent(int code) {
        if (current_ == kRequestNone) {
            current_ = code;
        } else if (current_ != code) {
            followUp_ = code;
        }
    }
    // Takes the request to run and empties the slot (the follow-up moves up).
    int Take() {
        const int code = current_;
        current_ = followUp_;
        followUp_ = kRequestNone;
        return code;
    }
    int Current() const { return current_; }
    int FollowUp() const { return followUp_; }
    bool Empty() const { return current_ == kRequestNone; }

private:
    int current_ = kRequestNone;
    int followUp_ = kRequestNone;
};

} // namespace veltrane
