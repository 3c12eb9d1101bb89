#include "FakePlatform.h"
#include "PtyPeer.h"
#include "WaitFor.h"
#include "config/ConfigurationModel.h"
#include "config/RunLog.h"
#include "device/DeviceLink.h"
#include "device/Messages.h"
#include "device/RetriedExchange.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <mutex>
#include <thread>

using namespace veltrane;
using namespace veltrane::testing;

namespace {

Bytes GateModeData(std::uint8_t position, std::uint16_t suffix, std::uint8_t name) {
    // position echo, suffix, name, startA 1.0, stopA 2.0, operator, alpha 0.5, startB 3.0, stopB 4.0, root
    return Bytes{position,
                 static_cast<std::uint8_t>(suffix >> 8),
                 static_cast<std::uint8_t>(suffix),
                 name,
                 0,
                 10,
                 0,
                 20,
                 0,
                 0x3F,
                 0x00,
                 0x00,
                 0x00,
                 0,
                 30,
                 0,
                 40,
                 0};
}

Bytes EventData(std::uint8_t typePlusOne, std::uint8_t startSeconds, Bytes tail) {
    tail.insert(tail.begin(), {typePlusOne, 0, 0, 0, startSeconds});
    return tail;
}

// A small controller: five gate slots, two channels, an event list and a board record,
// answering the read commands from them and acknowledging every write.
class SettingsTransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(link.OpenDevice(pty.SlavePath(), 38400));
        ASSERT_TRUE(link.SetTimeouts(50));
        for (std::uint8_t slot = 0; slot < 5; ++slot) {
            slots[slot] = GateModeData(slot, 0, 0);
        }
    }

    std::vector<ScriptedPeer::Piece> Respond(std::uint8_t command, const Bytes& payload) {
        std::lock_guard lock(mutex);
        if (silent) {
            return {};
        }
        Bytes data;
        switch (command) {
        case kCmdReadGateMode:
            data = slots[payload.at(0) % 5];
            break;
        case kCmdReadChannelSettings:
            data = Bytes{payload.at(0), 0, 2, 1, 1, 3, 0, 50, 0, 9};
            break;
        case kCmdReadTimedEventCount:
            data = Bytes{static_cast<std::uint8_t>(events.size()), 0};
            break;
        case kCmdReadTimedEvent:
            data = events.at(payload.at(0));
            break;
        case kCmdReadBoardSettings:
            data = Bytes(90, 0);
            data[1] = 200; // PMT voltage
            break;
        default:
            break;
        }
        return {{ReplyFrame(command, data), 0}};
    }

    // Requests of one command, by payload.
    std::vector<Bytes> PayloadsOf(std::uint8_t command) const {
        std::vector<Bytes> out;
        for (const Bytes& request : peer.Requests()) {
            if (request[0] == command) {
                out.emplace_back(request.begin() + 1, request.end());
            }
        }
        return out;
    }

    // The peer takes requests on its own thread: give the last one time to arrive.
    void WaitForRequests(std::size_t count) const {
        WaitFor([&] { return peer.Requests().size() >= count; }, kGenerousDeadline,
                std::chrono::milliseconds(2));
    }

    fakes::TempDir dir;
    fakes::FakeClock clock;
    fakes::FakePrompts prompts;
    RunLog runLog{dir.File("veltrane.log"), clock, prompts};
    ConfigurationModel config{prompts, runLog};
    PtyPair pty;
    DeviceLink link{prompts};

    std::mutex mutex;
    bool silent = false;
    std::array<Bytes, 5> slots;
    std::vector<Bytes> events;
    ScriptedPeer peer{
        pty, [this](std::uint8_t command, const Bytes& payload) { return Respond(command, payload); }};
};

class FakeHost : public ExchangeHost {
public:
    bool IsOnline() const override { return online; }
    void SetPollingSuspended(bool suspended) override { changes.push_back(suspended); }
    bool online = true;
    std::vector<bool> changes;
};

} // namespace

TEST_F(SettingsTransferTest, ReceiveTakesModesUpToTheHighestUsedSlot) {
    slots[0] = GateModeData(0, 3, 1);
    slots[2] = GateModeData(2, 2, 4);
    events = {EventData(6, 120, {0, 0, 0, 120}), // Record 2.0 to 2.0: dropped
              EventData(6, 120, {0, 0, 0, 180}), // Record 2.0 to 3.0: kept
              EventData(1, 30, {1})};
    ASSERT_TRUE(link.ReceiveAllSettings(config));

    ASSERT_EQ(config.GateModeCount(), 3);
    EXPECT_EQ(config.GetGateMode(0).suffix, 3);
    EXPECT_EQ(config.GetGateMode(1).suffix, 0); // the empty slot between is taken over
    EXPECT_EQ(config.GetGateMode(2).suffix, 2);
    EXPECT_EQ(config.GetGateMode(2).name, 4);
    EXPECT_FLOAT_EQ(config.GetGateMode(2).stopB, 4.0f);

    EXPECT_EQ(config.GetChannel(1).gateModeSuffix, 2);
    EXPECT_EQ(config.GetChannel(1).attenuationIndex, 2);
    EXPECT_EQ(config.GetChannel(1).zeroValue, 50);
    EXPECT_EQ(config.GetChannel(1).extraWord, 0); // not taken from the controller

    ASSERT_EQ(config.GetTimedEvents().size(), 2u);
    EXPECT_FLOAT_EQ(config.GetTimedEvents()[0].value, 3.0f);
    EXPECT_EQ(config.GetTimedEvents()[1].type, kEventAutoZero);
    EXPECT_EQ(config.GetPmtVoltage(), 200);

    // Values from the controller are no operator changes.
    EXPECT_TRUE(config.RunLogEntries().empty());
    EXPECT_TRUE(config.LoggingEnabled());
}

TEST_F(SettingsTransferTest, ReceiveWithNothingOnTheController) {
    config.AddTimedEvent(TimedEvent{1.0f, kEventAutoZero, 0, 0.0f, 0});
    ASSERT_TRUE(link.ReceiveAllSettings(config));
    EXPECT_EQ(config.GateModeCount(), 0);
    EXPECT_TRUE(config.GetTimedEvents().empty());
    EXPECT_TRUE(PayloadsOf(kCmdReadTimedEvent).empty());
}

TEST_F(SettingsTransferTest, ReceiveStopsAtTheFirstFailure) {
    silent = true;
    EXPECT_FALSE(link.ReceiveAllSettings(config));
    EXPECT_EQ(peer.Requests().size(), 1u);
    EXPECT_TRUE(config.LoggingEnabled());
    EXPECT_TRUE(prompts.Texts().empty());
}

TEST_F(SettingsTransferTest, TransmitFillsEmptySlotsWithTheLastMode) {
    GateMode first;
    first.suffix = 1;
    first.name = 2;
    GateMode second;
    second.suffix = 4;
    second.name = 6;
    second.startA = 1.0f;
    const GateMode modes[] = {first, second};
    config.SetGateModes(modes);
    ChannelSettings channel = config.GetChannel(1);
    channel.gateModeName = 6;
    channel.gateModeSuffix = 4;
    config.SetChannel(channel, 1);
    config.AddTimedEvent(TimedEvent{1.0f, kEventGate, 1, 6.0f, 4});
    prompts.Clear(); // the run log's own notes

    ASSERT_TRUE(link.TransmitAllSettings(config));
    const auto gates = PayloadsOf(kCmdWriteGateMode);
    ASSERT_EQ(gates.size(), 5u);
    for (std::uint8_t position = 0; position < 5; ++position) {
        EXPECT_EQ(gates[position][0], position);
    }
    EXPECT_EQ((Bytes{gates[1][1], gates[1][2], gates[1][3]}), (Bytes{0, 4, 6}));
    for (int filler = 2; filler < 5; ++filler) {
        EXPECT_EQ(Bytes(gates[filler].begin() + 1, gates[filler].begin() + 3), (Bytes{0, 0})); // suffix 0
        EXPECT_EQ(Bytes(gates[filler].begin() + 3, gates[filler].end()),
                  Bytes(gates[1].begin() + 3, gates[1].end()));
    }
    EXPECT_EQ(PayloadsOf(kCmdWriteChannelSettings).at(1).at(1), 1); // mode (6, 4) sits at position 1
    EXPECT_EQ(PayloadsOf(kCmdWriteTimedEvent).at(0).at(6), 1);
    const std::vector<std::uint8_t> order{12, 12, 12, 12, 12, 52, 52, 63, 62, 33};
    EXPECT_EQ(peer.Commands(), order);
    EXPECT_TRUE(prompts.Texts().empty()) << ::testing::PrintToString(prompts.Texts());
}

TEST_F(SettingsTransferTest, TransmitWithoutModesSendsZeroFillers) {
    ASSERT_TRUE(link.TransmitAllSettings(config));
    const auto gates = PayloadsOf(kCmdWriteGateMode);
    ASSERT_EQ(gates.size(), 5u);
    for (std::uint8_t position = 0; position < 5; ++position) {
        Bytes expected(18, 0);
        expected[0] = position;
        EXPECT_EQ(gates[position], expected);
    }
}

TEST_F(SettingsTransferTest, SilentControllerGetsSixPassesAndOneMessage) {
    silent = true;
    EXPECT_FALSE(link.TransmitAllSettings(config));
    EXPECT_EQ(peer.Commands(), std::vector<std::uint8_t>(6, kCmdWriteGateMode));
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{messages::kSetAllSettingsFailed});

    prompts.Clear();
    EXPECT_FALSE(link.TransmitBoardSettings(config));
    EXPECT_EQ(PayloadsOf(kCmdWriteBoardSettings).size(), 6u);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{messages::kSetAllSettingsFailed});
}

TEST_F(SettingsTransferTest, ChannelTransmitSendsBothChannels) {
    ASSERT_TRUE(link.TransmitChannelSettings(config));
    EXPECT_EQ(peer.Commands(), (std::vector<std::uint8_t>{52, 52}));
}

TEST_F(SettingsTransferTest, RetriedExchangeGivesUpAfterFiveAttempts) {
    FakeHost host;
    RetriedExchange exchange(link, host, clock, prompts);
    int attempts = 0;
    EXPECT_FALSE(exchange.Run([&](DeviceLink&) {
        ++attempts;
        return false;
    }));
    EXPECT_EQ(attempts, 5);
    EXPECT_EQ(clock.slept, 5 * 250);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{messages::kCommandFailed});
    EXPECT_EQ(host.changes, (std::vector<bool>{true, false}));
    WaitForRequests(2);
    EXPECT_EQ(peer.Commands(), (std::vector<std::uint8_t>{kCmdReadControllerId, kCmdRequestPulse}));
}

TEST_F(SettingsTransferTest, RetriedExchangeStopsAtTheFirstSuccess) {
    FakeHost host;
    RetriedExchange exchange(link, host, clock, prompts);
    int attempts = 0;
    EXPECT_TRUE(exchange.Run([&](DeviceLink& device) {
        ++attempts;
        return attempts == 2 && device.ClearTimedEvents();
    }));
    EXPECT_EQ(attempts, 2);
    EXPECT_TRUE(prompts.Texts().empty());

    host.online = false;
    attempts = 0;
    EXPECT_FALSE(exchange.Run([&](DeviceLink&) { return ++attempts > 0; }));
    EXPECT_EQ(attempts, 0);
    EXPECT_EQ(host.changes.size(), 2u);
}
