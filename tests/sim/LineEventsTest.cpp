// What the emulator tells an observer about its line, and when: the timing evidence for reply
// latency and fault recovery rests on these times.
#include "SimClient.h"
#include "SimProcess.h"

#include "FakePlatform.h"
#include "WaitFor.h"
#include "sim/SimulatorSession.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <functional>
#include <mutex>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace veltrane;
using namespace veltrane::testing;
using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

namespace {

// The clock is read just after the emulator's write returns; a reader woken by that write may
// read its own clock first. Allow for it.
constexpr auto kClockSlack = 5ms;

class EventRecorder {
public:
    LineObserver Observer() {
        return [this](const LineEvent& event) {
            if (ControllerEmulator* emulator = emulator_.load()) {
                // The observer runs without the emulator's lock: its accessors must not deadlock.
                statsSeen_ += emulator->Stats().requests > 0 ? 1 : 0;
            }
            std::lock_guard lock(mutex_);
            events_.push_back(event);
            changed_.notify_all();
        };
    }

    void Watch(ControllerEmulator& emulator) { emulator_ = &emulator; }

    std::optional<LineEvent> WaitFor(LineEvent::Kind kind, std::string_view what,
                                     Steady::duration timeout = 1s) {
        std::unique_lock lock(mutex_);
        std::optional<LineEvent> found;
        changed_.wait_for(lock, timeout, [&] {
            for (const LineEvent& event : events_) {
                if (event.kind == kind && event.what == what) {
                    found = event;
                    return true;
                }
            }
            return false;
        });
        return found;
    }

    std::vector<LineEvent> All() {
        std::lock_guard lock(mutex_);
        return events_;
    }

    int StatsSeen() const { return statsSeen_; }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<LineEvent> events_;
    std::atomic<ControllerEmulator*> emulator_{nullptr};
    std::atomic<int> statsSeen_{0};
};

EmulatorOptions Options(EventRecorder& recorder) {
    EmulatorOptions options;
    options.fast = true;
    options.gc.warmupSeconds = 0.0;
    options.rateHz = 20.0;
    options.seed = 7;
    options.faults.seed = 7;
    options.observer = recorder.Observer();
    return options;
}

double Seconds(Steady::duration d) {
    return std::chrono::duration<double>(d).count();
}

} // namespace

TEST(LineEvents, PulseSentWhenTheLastByteOfTheReplyIsOnTheLine) {
    EventRecorder recorder;
    EmulatorOptions options = Options(recorder);
    options.fast = false;
    options.baud = 115200;
    std::string error;
    auto session = SimulatorSession::Start(options, error);
    ASSERT_TRUE(session) << error;
    recorder.Watch(session->Emulator());
    SimClient client(session->DevicePath());
    ASSERT_TRUE(client.IsOpen());

    const Steady::time_point asked = Steady::now();
    client.Send(60);
    const auto reply = client.Read();
    const Steady::time_point read = Steady::now();
    ASSERT_TRUE(reply.has_value());
    ASSERT_TRUE(reply->crcOk);
    const auto sent = recorder.WaitFor(LineEvent::Kind::PulseSent, "pulse");
    ASSERT_TRUE(sent.has_value());
    EXPECT_EQ(sent->sequence, reply->Data()[0]);
    EXPECT_LE(sent->at, read + kClockSlack) << "the event may not come before the bytes can be read";
    // Paced at 11520 bytes a second, the frame's last byte leaves no sooner than this after the
    // pulse fired (itself after the request): the event marks the end of the frame, not its start.
    const double frameSeconds = static_cast<double>(reply->raw.size() - 1) * 10.0 / 115200.0;
    EXPECT_GE(Seconds(sent->at - asked), frameSeconds - 0.003);
    EXPECT_GT(recorder.StatsSeen(), 0);

    for (const LineEvent& event : recorder.All()) {
        EXPECT_EQ(event.kind, LineEvent::Kind::PulseSent) << "no fault was asked for: " << event.what;
    }
}

TEST(LineEvents, InjectedNakEndsWithItsLastByteAndAnIgnoredRequestAtOnce) {
    {
        EventRecorder recorder;
        EmulatorOptions options = Options(recorder);
        options.faults.nakRate = 1.0;
        std::string error;
        auto session = SimulatorSession::Start(options, error);
        ASSERT_TRUE(session) << error;
        SimClient client(session->DevicePath());
        const Steady::time_point asked = Steady::now();
        const auto reply = client.Exchange(60);
        const Steady::time_point read = Steady::now();
        ASSERT_TRUE(reply.has_value());
        EXPECT_TRUE(reply->nak);
        const auto nak = recorder.WaitFor(LineEvent::Kind::FaultEnded, "nak");
        ASSERT_TRUE(nak.has_value());
        EXPECT_EQ(nak->sequence, -1);
        EXPECT_GE(nak->at, asked);
        EXPECT_LE(nak->at, read + kClockSlack);
        std::this_thread::sleep_for(100ms);
        EXPECT_EQ(recorder.All().size(), 1u) << "a refused pulse request sends no pulse";
    }
    {
        EventRecorder recorder;
        EmulatorOptions options = Options(recorder);
        options.faults.ignoreRate = 1.0;
        std::string error;
        auto session = SimulatorSession::Start(options, error);
        ASSERT_TRUE(session) << error;
        SimClient client(session->DevicePath());
        const Steady::time_point asked = Steady::now();
        EXPECT_FALSE(client.Exchange(64, {}, 150).has_value());
        ASSERT_TRUE(recorder.WaitFor(LineEvent::Kind::FaultEnded, "ignore").has_value());
        const std::vector<LineEvent> events = recorder.All();
        ASSERT_EQ(events.size(), 2u);
        EXPECT_EQ(events[0].kind, LineEvent::Kind::FaultBegan);
        EXPECT_EQ(events[0].what, "ignore");
        EXPECT_EQ(events[0].at, events[1].at);
        EXPECT_GE(events[0].at, asked);
    }
}

TEST(LineEvents, SilenceAndHangUpBeginAndEndOnSchedule) {
    struct Case {
        const char* what;
        std::function<void(FaultOptions&)> schedule;
    };
    const Case cases[] = {
        {"silence",
         [](FaultOptions& f) {
             f.silenceStart = 0.15;
             f.silenceLength = 0.3;
         }},
        {"hangup",
         [](FaultOptions& f) {
             f.hangupStart = 0.15;
             f.hangupLength = 0.3;
         }},
    };
    for (const Case& c : cases) {
        EventRecorder recorder;
        EmulatorOptions options = Options(recorder);
        c.schedule(options.faults);
        std::string error;
        const Steady::time_point before = Steady::now();
        auto session = SimulatorSession::Start(options, error);
        const Steady::time_point after = Steady::now();
        ASSERT_TRUE(session) << error;
        ASSERT_TRUE(recorder.WaitFor(LineEvent::Kind::FaultEnded, c.what, 2s).has_value()) << c.what;
        const std::vector<LineEvent> events = recorder.All();
        ASSERT_EQ(events.size(), 2u) << c.what;
        EXPECT_EQ(events[0].kind, LineEvent::Kind::FaultBegan);
        EXPECT_EQ(events[0].what, c.what);
        EXPECT_EQ(events[1].kind, LineEvent::Kind::FaultEnded);
        EXPECT_EQ(events[0].sequence, -1);
        EXPECT_GE(Seconds(events[0].at - after), 0.15 - 0.001) << c.what;
        // Loose enough for a loaded machine that wakes the emulator late now and then.
        EXPECT_LE(Seconds(events[0].at - before), 0.15 + 0.08) << c.what;
        EXPECT_NEAR(Seconds(events[1].at - events[0].at), 0.3, 0.08) << c.what;
    }
}

TEST(LineEvents, DamagedPulseReplyEndsWithItsLastByte) {
    struct Case {
        const char* what;
        std::function<void(FaultOptions&)> damage;
    };
    const Case cases[] = {
        {"flip", [](FaultOptions& f) { f.flipRate = 0.05; }},
        {"drop", [](FaultOptions& f) { f.dropRate = 1.0; }}, // nothing of it reaches the line
        {"duplicate", [](FaultOptions& f) { f.duplicateRate = 0.05; }},
        {"crc", [](FaultOptions& f) { f.crcRate = 1.0; }},
        {"pause",
         [](FaultOptions& f) {
             f.pauseRate = 1.0;
             f.pauseMs = 80;
         }},
    };
    for (const Case& c : cases) {
        EventRecorder recorder;
        EmulatorOptions options = Options(recorder);
        c.damage(options.faults);
        std::string error;
        auto session = SimulatorSession::Start(options, error);
        ASSERT_TRUE(session) << error;
        SimClient client(session->DevicePath());
        const Steady::time_point asked = Steady::now();
        client.Send(60);
        const auto ended = recorder.WaitFor(LineEvent::Kind::FaultEnded, c.what);
        ASSERT_TRUE(ended.has_value()) << c.what;
        const auto sent = recorder.WaitFor(LineEvent::Kind::PulseSent, "pulse");
        ASSERT_TRUE(sent.has_value()) << "a damaged pulse reply still ends: " << c.what;
        EXPECT_EQ(ended->sequence, sent->sequence) << c.what;
        EXPECT_EQ(ended->at, sent->at) << c.what;
        EXPECT_EQ(recorder.All().size(), 2u) << "one fault-end per damaged frame: " << c.what;
        if (c.what == std::string("pause")) {
            EXPECT_GE(Seconds(ended->at - asked), 0.08) << "the frame ends after its pause";
        }
    }
}

TEST(LineEvents, LogLineFormat) {
    const Steady::time_point at{std::chrono::nanoseconds(1'234'567'891'234)};
    EXPECT_EQ(FormatLineEvent({LineEvent::Kind::PulseSent, "pulse", 17, at}), "1234567.891 pulse pulse 17\n");
    EXPECT_EQ(FormatLineEvent({LineEvent::Kind::FaultEnded, "flip", -1, Steady::time_point{2ms + 5us}}),
              "2.005 fault-end flip -1\n");
    EXPECT_EQ(FormatLineEvent({LineEvent::Kind::FaultBegan, "hangup", -1, Steady::time_point{}}),
              "0.000 fault-begin hangup -1\n");
}

TEST(PfpdSim, EventLogIsCompleteAfterAKillAndOnTheSharedClock) {
    fakes::TempDir dir;
    const std::string log = dir.File("events.log");
    SimProcess sim({"--no-eeprom", "--fast", "--warmup", "0", "--rate", "20", "--event-log", log});
    const std::string path = sim.DevicePath();
    ASSERT_FALSE(path.empty());
    Steady::time_point asked;
    Steady::time_point read;
    int sequence = -1;
    {
        SimClient client(path);
        ASSERT_TRUE(client.IsOpen()) << path;
        asked = Steady::now();
        const auto reply = client.Exchange(60);
        read = Steady::now();
        ASSERT_TRUE(reply.has_value());
        sequence = reply->Data()[0];
    }
    // The pulse is logged once its last byte is on the line, which may be just after it was read.
    EXPECT_TRUE(WaitFor([&] { return fakes::ReadText(log).find(" pulse pulse ") != std::string::npos; }));
    ASSERT_NE(sim.Stop(SIGKILL), -1);

    const std::string text = fakes::ReadText(log);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n') << "only whole lines";
    std::istringstream lines(text);
    std::string logLine;
    std::optional<Steady::time_point> pulseAt;
    while (std::getline(lines, logLine)) {
        std::istringstream fields(logLine);
        std::string ms;
        std::string kind;
        std::string what;
        int loggedSequence = -2;
        ASSERT_TRUE(fields >> ms >> kind >> what >> loggedSequence) << logLine;
        const auto dot = ms.find('.');
        ASSERT_NE(dot, std::string::npos) << logLine;
        ASSERT_EQ(ms.size() - dot, 4u) << "three decimals: " << logLine;
        if (kind == "pulse") {
            EXPECT_EQ(what, "pulse");
            EXPECT_EQ(loggedSequence, sequence);
            pulseAt = Steady::time_point{std::chrono::milliseconds(std::stoll(ms.substr(0, dot))) +
                                         std::chrono::microseconds(std::stoi(ms.substr(dot + 1)))};
        }
    }
    ASSERT_TRUE(pulseAt.has_value()) << text;
    const Steady::time_point at = *pulseAt;
    EXPECT_GE(at, asked - 1ms);
    EXPECT_LE(at, read + kClockSlack);
}
