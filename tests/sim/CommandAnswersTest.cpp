// The controller's answers, byte for byte, to hand-built request frames over a pseudo-terminal.
#include "SimClient.h"

#include "FakePlatform.h"
#include "protocol/FrameCodec.h"
#include "protocol/PulseRecord.h"
#include "sim/SimulatorSession.h"

#include <gtest/gtest.h>

using namespace veltrane;
using namespace veltrane::testing;

namespace {

constexpr std::uint16_t kReady = kStateReady << kStatusStateShift;

class CommandAnswers : public ::testing::Test {
protected:
    void SetUp() override {
        EmulatorOptions options;
        options.fast = true;
        options.gc.warmupSeconds = 0.0;
        options.rateHz = 20.0;
        options.eepromPath = dir.File("controller.eeprom");
        std::string error;
        session = SimulatorSession::Start(options, error);
        ASSERT_TRUE(session) << error;
        client = std::make_unique<SimClient>(session->DevicePath());
        ASSERT_TRUE(client->IsOpen());
    }

    LineReply Ask(std::uint8_t index, const Bytes& payload = {}) {
        auto reply = client->Exchange(index, payload);
        EXPECT_TRUE(reply.has_value()) << "no reply to command " << int(index);
        return reply.value_or(LineReply{});
    }

    // The reply must be exactly the frame built from status, echo and data.
    void ExpectReply(std::uint8_t index, const Bytes& payload, const Bytes& data) {
        const LineReply reply = Ask(index, payload);
        EXPECT_EQ(reply.raw, ExpectedReply(kReady, index, data)) << "command " << int(index);
        EXPECT_EQ(reply.Length(), data.size() + 10);
    }

    fakes::TempDir dir;
    std::unique_ptr<SimulatorSession> session;
    std::unique_ptr<SimClient> client;
};

Bytes Range(std::uint8_t first, std::size_t count) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(first + i);
    }
    return bytes;
}

} // namespace

TEST_F(CommandAnswers, IdentityDspModeResetAndSave) {
    const std::string version = session->Emulator().Options().versionText;
    ExpectReply(0, {}, Bytes(version.begin(), version.end()));
    ExpectReply(4, {}, {0});
    ExpectReply(5, {}, {});
    ExpectReply(1, {}, {});
    EXPECT_FALSE(fakes::ReadBytes(dir.File("controller.eeprom")).empty());
}

TEST_F(CommandAnswers, GateModeSlotsReadBackWhatWasWrittenWithStuffing) {
    // Control bytes inside the payload travel doubled and come back single.
    Bytes slot = {0x00, 0x02, 0x10, 0x00, 0x64, 0x00, 0xAF, 0x00, 0x3E,
                  0x4C, 0xCC, 0xCD, 0x00, 0x2D, 0x00, 0x5A, 0x01};
    Bytes payload{3};
    payload.insert(payload.end(), slot.begin(), slot.end());
    ExpectReply(12, payload, {});
    Bytes expected{3};
    expected.insert(expected.end(), slot.begin(), slot.end());
    ExpectReply(20, {3}, expected);
    EXPECT_EQ(Ask(20, {3}).Length(), 28u);
}

TEST_F(CommandAnswers, BoardRecordRoundTrip) {
    const Bytes board = Range(0x01, 90);
    ExpectReply(33, board, {});
    ExpectReply(46, {}, board);
}

TEST_F(CommandAnswers, ChannelsNameTheirGateModeByIdentity) {
    Bytes slot(17, 0);
    slot[0] = 0x00;
    slot[1] = 0x07; // suffix 7
    slot[2] = 4;    // name index 4
    Bytes payload{2};
    payload.insert(payload.end(), slot.begin(), slot.end());
    ExpectReply(12, payload, {});
    // channel 1, gate position 2, spline, attenuation byte 15, zero 0x1002, extra 0x0203
    ExpectReply(52, {1, 2, 1, 15, 0x10, 0x02, 0x02, 0x03}, {});
    ExpectReply(59, {1}, {1, 0x00, 0x07, 4, 1, 15, 0x10, 0x02, 0x02, 0x03});
    ExpectReply(50, {1, 0xAB, 0xCD}, {});
    ExpectReply(59, {1}, {1, 0x00, 0x07, 4, 1, 15, 0xAB, 0xCD, 0x02, 0x03});
}

TEST_F(CommandAnswers, AutoZeroRepliesWithTheZeroItStores) {
    client->Exchange(60); // wait for one pulse, so there is a signal to zero on
    const LineReply reply = Ask(53, {0});
    ASSERT_EQ(reply.Length(), 12u);
    const Bytes zero = reply.Data();
    const LineReply channel = Ask(59, {0});
    ASSERT_EQ(channel.Length(), 20u);
    EXPECT_EQ(channel.Data()[6], zero[0]);
    EXPECT_EQ(channel.Data()[7], zero[1]);
}

TEST_F(CommandAnswers, TimedEventsOfEveryTypeInTheirReadLayouts) {
    ExpectReply(63, {}, {});
    ExpectReply(64, {}, {0, 0});
    const Bytes start = {0x00, 0x00, 0x00, 0x5A}; // 90 s
    auto event = [&](std::uint8_t typeByte, const Bytes& rest) {
        Bytes payload{typeByte};
        payload.insert(payload.end(), start.begin(), start.end());
        payload.insert(payload.end(), rest.begin(), rest.end());
        return payload;
    };
    const std::vector<Bytes> written = {
        event(1, {1}),                      // Auto-Zero, channel 2
        event(2, {0, 7}),                   // Attenuation 8 on channel 1
        event(3, {0x00, 0x02}),             // Range "100"
        event(4, {1, 1}),                   // Square Root on, channel 2
        event(5, {0, 1}),                   // Gate: channel 1 to the mode in slot 1
        event(6, {0x00, 0x00, 0x00, 0xB4}), // Record until 180 s
        event(7, {0x40, 0x20, 0x00, 0x00}), // Ignitor 2.5 A
    };
    for (const Bytes& payload : written) {
        ExpectReply(62, payload, {});
    }
    ExpectReply(64, {}, {7, 0});
    const ControllerMemory memory = session->Emulator().Memory();
    const auto& slot1 = memory.gateSlots[1];
    const std::vector<Bytes> read = {
        event(1, {1}),
        event(2, {0, 7}),
        event(3, {0x00, 0x02}),
        event(4, {1, 0, 0, 1}),
        event(5, {0, 1, slot1[0], slot1[1], slot1[2]}),
        event(6, {0x00, 0x00, 0x00, 0xB4}),
        event(7, {0x40, 0x20, 0x00, 0x00}),
    };
    for (std::uint8_t i = 0; i < read.size(); ++i) {
        ExpectReply(65, {i}, read[i]);
    }
}

TEST_F(CommandAnswers, RefusalsAreNaks) {
    auto expectNak = [&](const Bytes& raw, std::uint8_t index, std::uint8_t reason) {
        client->SendRaw(raw);
        const auto reply = client->Read();
        ASSERT_TRUE(reply.has_value());
        EXPECT_TRUE(reply->nak);
        EXPECT_EQ(reply->raw, (Bytes{0x15, index, reason}));
    };
    expectNak(BuildFrame(Bytes{99}), 99, 2); // unknown command
    Bytes badCrc = BuildFrame(Bytes{46});
    badCrc.back() ^= 0x01;
    expectNak(badCrc, 46, 1);                                  // one bit off in the CRC
    expectNak(BuildFrame(Bytes{20, 5}), 20, 3);                // gate slot 5 does not exist
    expectNak(BuildFrame(Range(33, 90)), 33, 3);               // board record one byte short
    expectNak(BuildFrame(Bytes{59, 2}), 59, 3);                // channel 3
    expectNak(BuildFrame(Bytes{62, 3, 0, 0, 0, 1, 0}), 62, 3); // a range event one byte short
    expectNak(BuildFrame(Bytes{65, 0}), 65, 3);                // no event 0 in an empty list
    expectNak(BuildFrame(Bytes{46, 0}), 46, 3);                // payload where none belongs
}

TEST_F(CommandAnswers, NoiseSplitFramesAndLoneStxAreSurvived) {
    const Bytes frame = BuildFrame(Bytes{64});
    client->SendRaw({0xFF, 0x10, 0x03, 0x55});                // noise before the frame
    client->SendRaw({0x02, 0x14, 0x00});                      // a request cut off ...
    client->SendRaw(Bytes(frame.begin(), frame.begin() + 3)); // ... then one sent in pieces
    usleep(20'000);
    client->SendRaw(Bytes(frame.begin() + 3, frame.end()));
    const auto reply = client->Read();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->raw, ExpectedReply(kReady, 64, {0, 0}));
    EXPECT_FALSE(client->Read(100).has_value()); // and nothing for the fragment
}

TEST_F(CommandAnswers, PulseReplyLayout) {
    const LineReply first = Ask(60);
    ASSERT_TRUE(first.crcOk);
    ASSERT_EQ(first.Length(), 517u);
    EXPECT_EQ(first.body[4], 60);
    const LineReply second = Ask(60);
    ASSERT_EQ(second.Length(), 517u);
    const Bytes a = first.Data();
    const Bytes b = second.Data();
    EXPECT_EQ(static_cast<std::uint8_t>(a[0] + 1), b[0]) << "sequence counts fired pulses";
    const int period = (b[1] << 8) | b[2];
    EXPECT_NEAR(100.0 / period, 20.0, 5.0); // 5 in 10 ms units at 20 Hz
    const std::uint32_t counterA = (a[3] << 24) | (a[4] << 16) | (a[5] << 8) | a[6];
    const std::uint32_t counterB = (b[3] << 24) | (b[4] << 16) | (b[5] << 8) | b[6];
    EXPECT_NEAR(static_cast<double>(counterB - counterA), period, 2.0);
}

// As a real controller does, a waiting pulse request is answered on the next pulse whatever
// came meanwhile; the easier controller of the option forgets it.
TEST_F(CommandAnswers, AWaitingPulseRequestIsAnsweredWhateverCameMeanwhile) {
    // Both in one write, so no pulse can fire between them.
    Bytes both = BuildFrame(Bytes{60});
    const Bytes count = BuildFrame(Bytes{64});
    both.insert(both.end(), count.begin(), count.end());
    client->SendRaw(both);
    auto reply = client->Read();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->body[4], 64);
    reply = client->Read(300);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->body[4], 60);

    client.reset();
    session.reset();
    EmulatorOptions options;
    options.fast = true;
    options.rateHz = 20.0;
    options.dropPendingPulse = true;
    std::string error;
    session = SimulatorSession::Start(options, error);
    ASSERT_TRUE(session) << error;
    client = std::make_unique<SimClient>(session->DevicePath());
    client->SendRaw(both);
    reply = client->Read();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->body[4], 64);
    EXPECT_FALSE(client->Read(300).has_value()); // no pulse follows: it was not asked for again
}

TEST_F(CommandAnswers, EepromImageSurvivesARestart) {
    const Bytes board = Range(0x20, 90);
    ExpectReply(33, board, {});
    ExpectReply(1, {}, {});
    ExpectReply(33, Range(0x40, 90), {}); // changed again but not saved
    client.reset();
    session.reset();

    EmulatorOptions options;
    options.fast = true;
    options.gc.warmupSeconds = 0.0;
    options.eepromPath = dir.File("controller.eeprom");
    std::string error;
    session = SimulatorSession::Start(options, error);
    ASSERT_TRUE(session);
    client = std::make_unique<SimClient>(session->DevicePath());
    ExpectReply(46, {}, board);
}
