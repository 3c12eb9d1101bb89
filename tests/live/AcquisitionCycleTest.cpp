#include "live/AcquisitionCycle.h"
#include "FakePlatform.h"
#include "config/Messages.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

using namespace veltrane;

namespace {

// Records every controller call in order; pulses come from a queue.
class FakePort : public ControllerPort {
public:
    bool IsOpen() const override { return open; }
    bool Reopen() override {
        calls.push_back("Reopen");
        open = reopenWorks;
        return open;
    }
    bool ReadControllerId(std::string& text) override {
        calls.push_back("Id");
        text = "PFPD V4";
        return open;
    }
    PulseRead ReadPulse(PulseRecord& record) override {
        if (damaged > 0 && open) {
            --damaged;
            return PulseRead::Damaged;
        }
        if (pulses.empty() || !open) {
            return PulseRead::None;
        }
        record = pulses.front();
        pulses.pop_front();
        return PulseRead::Pulse;
    }
    bool RequestPulse() override {
        calls.push_back("RequestPulse");
        return open;
    }
    void FlushInput() override { calls.push_back("Flush"); }
    bool ReceiveAllSettings() override { return Call("Receive"); }
    bool TransmitAllSettings() override { return Call("Transmit"); }
    void ResetToReady() override { Call("Reset"); }
    void WriteChannelZero(int channel) override { Call("Zero" + std::to_string(channel)); }
    bool ReadDspMode(int& mode) override {
        mode = 1;
        return Call("Dsp");
    }
    void SaveToEeprom() override { Call("Eeprom"); }

    bool Call(const std::string& name) {
        calls.push_back(name);
        return true;
    }
    std::vector<std::string> Requests() const {
        std::vector<std::string> out;
        for (const auto& c : calls) {
            if (c != "RequestPulse" && c != "Flush") {
                out.push_back(c);
            }
        }
        return out;
    }
    int CountOf(const std::string& name) const {
        int n = 0;
        for (const auto& c : calls) {
            n += c == name ? 1 : 0;
        }
        return n;
    }

    bool open = true;
    bool reopenWorks = true;
    int damaged = 0; // replies to report as damaged before the next pulse
    std::deque<PulseRecord> pulses;
    std::vector<std::string> calls;
};

class FakeHost : public LiveHost {
public:
    void ShowPulse(const PulseRecord& record) override { shown.push_back(record.sequence); }
    void ShowPmtWarning() override { ++pmtWarnings; }
    void RefreshBoardDialog() override { ++boardRefreshes; }
    void WriteRunLog(const std::string& text) override { log.push_back(text); }
    void BeginBusy() override { ++busy; }
    void EndBusy() override { --busy; }
    void ReportLinkLost() override { ++lost; }
    void ReportLinkRestored() override { ++restored; }

    std::vector<int> shown;
    std::vector<std::string> log;
    int pmtWarnings = 0;
    int boardRefreshes = 0;
    int busy = 0;
    int lost = 0;
    int restored = 0;
};

class FakeRecorder : public PulseRecorderPort {
public:
    bool IsRecording() const override { return recording; }
    void StartRecording() override {
        recording = true;
        events.push_back("start");
    }
    void StopRecording() override {
        recording = false;
        events.push_back("stop");
    }
    void AppendPulse(const PulseRecord&) override { appended += recording ? 1 : 0; }

    bool recording = false;
    int appended = 0;
    std::vector<std::string> events;
};

PulseRecord Pulse(std::uint8_t sequence, std::uint16_t status = 0) {
    PulseRecord record;
    record.sequence = sequence;
    record.statusWord = status;
    record.period = record.periodCopy = 30;
    return record;
}

class CycleTest : public ::testing::Test {
protected:
    CycleTest() : cycle(state, port, host, clock, clock) { cycle.SetRecorder(&recorder); }

    void Feed(std::uint16_t status, std::uint8_t sequence = 0) {
        port.pulses.push_back(Pulse(sequence, status));
        cycle.Tick();
    }

    LiveState state;
    FakePort port;
    FakeHost host;
    fakes::FakeClock clock;
    FakeRecorder recorder;
    AcquisitionCycle cycle;
};

} // namespace

TEST_F(CycleTest, SuspendedDelayedAndNestedTicksDoNothing) {
    state.pendingRequest.Post(kRequestReset);
    state.pollingSuspended = true;
    cycle.Tick();
    EXPECT_TRUE(port.calls.empty());

    state.pollingSuspended = false;
    state.resumeDelay = 2;
    cycle.Tick();
    cycle.Tick();
    EXPECT_EQ(state.resumeDelay, 0);
    EXPECT_TRUE(port.calls.empty());
    EXPECT_EQ(state.pendingRequest.Current(), kRequestReset);

    cycle.Tick();
    EXPECT_EQ(port.Requests(), std::vector<std::string>{"Reset"});
    EXPECT_EQ(clock.slept, AcquisitionCycle::kRequestPauseMs);
    EXPECT_EQ(host.busy, 0);
}

TEST_F(CycleTest, NestedTickFromAModalBoxReturnsAtOnce) {
    // The PMT box pumps timer messages; a tick arriving then must not poll again.
    class NestingHost : public FakeHost {
    public:
        AcquisitionCycle* cycle = nullptr;
        void ShowPmtWarning() override {
            FakeHost::ShowPmtWarning();
            cycle->Tick();
        }
    } nesting;
    AcquisitionCycle nested(state, port, nesting, clock, clock);
    nesting.cycle = &nested;
    port.pulses.push_back(Pulse(1, kStatusPmtProtection));
    port.pulses.push_back(Pulse(2));
    nested.Tick();
    EXPECT_EQ(nesting.shown, std::vector<int>{1});
    EXPECT_EQ(port.pulses.size(), 1u);
    EXPECT_EQ(nesting.pmtWarnings, 1);
}

TEST_F(CycleTest, OneRequestSlotTheLaterWins) {
    state.pendingRequest.Post(kRequestReceiveAll);
    state.pendingRequest.Post(kRequestReset);
    cycle.Tick();
    cycle.Tick();
    EXPECT_EQ(port.Requests(), std::vector<std::string>{"Reset"});
    // A request is followed by a pulse request; the slot is then empty.
    EXPECT_EQ(port.calls[0], "Flush");
    EXPECT_EQ(port.calls[2], "RequestPulse");
    EXPECT_TRUE(state.pendingRequest.Empty());
}

TEST_F(CycleTest, EeprormSaveAfterOpenNeverReplacesThePendingTransmit) {
    state.pendingRequest.Post(kRequestTransmitAll);
    state.pendingRequest.PostAfterCurrent(kRequestSaveToEeprom);
    cycle.Tick();
    cycle.Tick();
    cycle.Tick();
    EXPECT_EQ(port.Requests(), (std::vector<std::string>{"Transmit", "Eeprom"}));

    // With nothing pending the save runs at once.
    port.calls.clear();
    state.pendingRequest.PostAfterCurrent(kRequestSaveToEeprom);
    cycle.Tick();
    EXPECT_EQ(port.Requests(), std::vector<std::string>{"Eeprom"});
}

TEST_F(CycleTest, EveryRequestCodeReachesItsOperation) {
    for (int code : {1, 2, 3, 8, 9, 11, 12}) {
        state.pendingRequest.Post(code);
        cycle.Tick();
    }
    EXPECT_EQ(port.Requests(),
              (std::vector<std::string>{"Receive", "Transmit", "Reset", "Zero0", "Zero1", "Dsp", "Eeprom"}));
    EXPECT_EQ(state.dspMode, 1);
}

TEST_F(CycleTest, BothTransitionBitsLogInOrderWithOneRestart) {
    recorder.recording = true;
    Feed(kStatusGcReadyToRun | kStatusGcRunToRun);
    EXPECT_EQ(host.log, (std::vector<std::string>{messages::kLogReadyToRun, messages::kLogRunToRun}));
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"stop", "start"}));
    EXPECT_EQ(recorder.appended, 1);

    // Without a recording the entries are still written and nothing starts.
    recorder.recording = false;
    recorder.events.clear();
    host.log.clear();
    Feed(kStatusGcRunToRun);
    EXPECT_EQ(host.log, std::vector<std::string>{messages::kLogRunToRun});
    EXPECT_TRUE(recorder.events.empty());
}

TEST_F(CycleTest, RunLevelRisingStartsAndFallingStops) {
    Feed(0);
    Feed(kStatusGcRunLevel);
    EXPECT_EQ(recorder.events, std::vector<std::string>{"start"});
    Feed(kStatusGcRunLevel); // level held: no edge
    Feed(0);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"start", "stop"}));
    Feed(0); // falling while nothing records: nothing happens
    EXPECT_EQ(recorder.events.size(), 2u);

    recorder.recording = true;
    recorder.events.clear();
    Feed(kStatusGcRunLevel);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"stop", "start"}));
}

TEST_F(CycleTest, TransitionTogetherWithRisingLevelBeginsOnlyOneNewFile) {
    recorder.recording = true;
    Feed(kStatusGcRunLevel | kStatusGcReadyToRun);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"stop", "start"}));
    EXPECT_TRUE(recorder.recording);
}

TEST_F(CycleTest, PmtWarningOncePerEpisode) {
    for (int i = 0; i < 5; ++i) {
        Feed(kStatusPmtProtection);
    }
    EXPECT_EQ(host.pmtWarnings, 1);
    Feed(0);
    Feed(kStatusPmtProtection);
    EXPECT_EQ(host.pmtWarnings, 2);

    state.boardDialogOpen = true;
    Feed(kStatusPmtProtection);
    EXPECT_EQ(host.pmtWarnings, 2);
    EXPECT_EQ(host.boardRefreshes, 1);
}

TEST_F(CycleTest, StatusWordIsDecodedIntoTheLiveState) {
    Feed(static_cast<std::uint16_t>(kStateReady << kStatusStateShift));
    EXPECT_EQ(state.status.controllerState, kStateReady);
    Feed(static_cast<std::uint16_t>(kStateRun << kStatusStateShift | kStatusGcRunLevel));
    EXPECT_EQ(state.status.controllerState, kStateRun);
    EXPECT_EQ(state.status.gcRunLevel, 1);
}

// A burst of requests before the first reply left the controller holding one more than the
// cycle knew of, so it answered a pulse ahead from then on, or not, by chance.
TEST_F(CycleTest, StreamStartSendsOneRequestAndWaitsForItsReplyBeforeTheNext) {
    state.pendingRequest.Post(kRequestReceiveAll); // as at the start of an online session
    cycle.Tick();
    EXPECT_EQ(port.CountOf("RequestPulse"), 1); // behind the settings, and no second one
    for (int tick = 0; tick < 200; ++tick) {    // two seconds of silence
        clock.Advance(10);
        cycle.Tick();
    }
    EXPECT_EQ(port.CountOf("RequestPulse"), 1); // two seconds is not more than two
    clock.Advance(1);
    cycle.Tick();
    EXPECT_EQ(port.CountOf("RequestPulse"), 2); // its time-out: asked again, once
    clock.Advance(1000);
    cycle.Tick();
    EXPECT_EQ(port.CountOf("RequestPulse"), 2);

    Feed(0, 1); // a pulse: one request for the next one
    EXPECT_EQ(port.CountOf("RequestPulse"), 3);
    clock.Advance(2001);
    cycle.Tick();
    cycle.Tick();
    EXPECT_EQ(port.CountOf("RequestPulse"), 4); // the restart, and then it waits again
}

TEST_F(CycleTest, DamagedReplyIsAskedForAgainAtOnce) {
    Feed(0, 1);
    const int before = port.CountOf("RequestPulse");
    port.damaged = 1;
    clock.Advance(150);
    cycle.Tick();
    EXPECT_EQ(port.CountOf("RequestPulse"), before + 1); // not after two silent seconds
    EXPECT_EQ(cycle.Stats().damagedReplies, 1u);
    clock.Advance(10);
    cycle.Tick(); // nothing arrived: no further request
    EXPECT_EQ(port.CountOf("RequestPulse"), before + 1);
    Feed(0, 2);
    EXPECT_EQ(host.shown, (std::vector<int>{1, 2}));
}

TEST_F(CycleTest, StreamRestartComesTwoSecondsAfterTheLastPulse) {
    clock.Advance(1000); // a pulse right on a second boundary
    Feed(0, 1);
    const int before = port.CountOf("RequestPulse");
    clock.Advance(2000);
    cycle.Tick();
    EXPECT_EQ(port.CountOf("RequestPulse"), before); // two seconds is not more than two
    clock.Advance(1);
    cycle.Tick(); // whole-second arithmetic would wait almost another second
    EXPECT_EQ(port.CountOf("RequestPulse"), before + 1);
}

TEST_F(CycleTest, SequenceGapsAndDuplicatesAreCounted) {
    Feed(0, 254);
    Feed(0, 255);
    Feed(0, 0); // wraps without a gap
    Feed(0, 3); // 1 and 2 lost
    Feed(0, 3);
    EXPECT_EQ(cycle.Stats().pulses, 5u);
    EXPECT_EQ(cycle.Stats().sequenceGaps, 2u);
    EXPECT_EQ(cycle.Stats().duplicates, 1u);
}

TEST_F(CycleTest, LostLineIsReportedOnceAndReopenedAtAModestRate) {
    state.pendingRequest.Post(kRequestTransmitAll);
    port.open = false;
    port.reopenWorks = false;
    for (int i = 0; i < 300; ++i) { // three seconds of ticks
        cycle.Tick();
        clock.Advance(10);
    }
    EXPECT_EQ(host.lost, 1);
    EXPECT_LE(port.CountOf("Reopen"), 3);
    EXPECT_GE(port.CountOf("Reopen"), 2);
    EXPECT_TRUE(port.Requests().size() == static_cast<std::size_t>(port.CountOf("Reopen")));

    port.reopenWorks = true;
    port.pulses.push_back(Pulse(7));
    for (int i = 0; i < 120; ++i) {
        cycle.Tick();
        clock.Advance(10);
    }
    EXPECT_EQ(host.restored, 1);
    EXPECT_EQ(host.shown, std::vector<int>{7});
    // The request posted during the outage ran once the line was back; a receive first would
    // have replaced the settings it was posted to send.
    EXPECT_EQ(port.CountOf("Transmit"), 1);
    EXPECT_EQ(port.CountOf("Receive"), 0);
}
