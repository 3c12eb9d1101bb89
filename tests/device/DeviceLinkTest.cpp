#include "device/DeviceLink.h"
#include "FakePlatform.h"
#include "PtyPeer.h"
#include "device/Messages.h"

#include <gtest/gtest.h>

#include <bit>
#include <map>
#include <mutex>

using namespace veltrane;
using namespace veltrane::testing;

namespace {

void PutFloat(Bytes& out, std::uint32_t bits) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(bits >> shift));
    }
}

void PutFloat(Bytes& out, float value) {
    PutFloat(out, std::bit_cast<std::uint32_t>(value));
}

// A controller that answers each command with the data set for it (no entry: silence).
class DeviceLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(link.OpenDevice(pty.SlavePath(), 38400));
        // Generous, so a loaded machine (sanitizers, parallel tests) still sees every answer in time.
        ASSERT_TRUE(link.SetTimeouts(200));
    }

    void Answer(std::uint8_t command, Bytes data, std::uint16_t status = 0) {
        AnswerRaw(command, ReplyFrame(command, data, status));
    }
    void AnswerRaw(std::uint8_t command, Bytes frame) { AnswerPieces(command, {{std::move(frame), 0}}); }
    void AnswerPieces(std::uint8_t command, std::vector<ScriptedPeer::Piece> pieces) {
        std::lock_guard lock(mutex);
        replies[command] = std::move(pieces);
    }
    // Payload of the last request.
    Bytes LastPayload() const {
        const auto requests = peer.Requests();
        if (requests.empty()) {
            return {};
        }
        return Bytes(requests.back().begin() + 1, requests.back().end());
    }

    PtyPair pty;
    fakes::FakePrompts prompts;
    DeviceLink link{prompts};
    std::mutex mutex;
    std::map<std::uint8_t, std::vector<ScriptedPeer::Piece>> replies;
    ScriptedPeer peer{pty, [this](std::uint8_t command, const Bytes&) {
                          std::lock_guard lock(mutex);
                          auto found = replies.find(command);
                          if (found == replies.end()) {
                              return std::vector<ScriptedPeer::Piece>{};
                          }
                          return found->second;
                      }};
};

} // namespace

TEST(WireEncoding, TimesRoundAsTheControllerExpects) {
    EXPECT_EQ(EncodeTenths(12.34f), 123);
    EXPECT_EQ(EncodeTenths(12.35f), 124);
    EXPECT_FLOAT_EQ(DecodeTenths(-5), -0.5f);
    EXPECT_EQ(EncodeSeconds(1.5f), 90u);
    EXPECT_NEAR(DecodeSeconds(59), 0.98333f, 1e-5);
    // Whatever a file may hold, the conversion stays defined.
    EXPECT_EQ(EncodeTenths(std::numeric_limits<float>::infinity()), 0);
    EXPECT_EQ(EncodeSeconds(-1.0f), static_cast<std::uint32_t>(-59));
}

TEST(WireEncoding, AttenuationIsFactorMinusOne) {
    std::uint8_t wire = 0;
    ASSERT_TRUE(EncodeAttenuation(8, wire));
    EXPECT_EQ(wire, 255);
    ASSERT_TRUE(EncodeAttenuation(0, wire));
    EXPECT_EQ(wire, 0);
    EXPECT_FALSE(EncodeAttenuation(9, wire));
    EXPECT_FALSE(EncodeAttenuation(-1, wire));
    int index = -1;
    ASSERT_TRUE(DecodeAttenuation(255, index));
    EXPECT_EQ(index, 8);
    ASSERT_TRUE(DecodeAttenuation(3, index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(DecodeAttenuation(2, index));
}

TEST_F(DeviceLinkTest, ControllerIdIsTheReplyText) {
    Answer(kCmdReadControllerId, Bytes{'P', 'F', 'P', 'D', ' ', '2', '.', '1'});
    std::string text;
    ASSERT_TRUE(link.ReadControllerId(text));
    EXPECT_EQ(text, "PFPD 2.1");
    Answer(kCmdReadControllerId, Bytes{});
    text = "kept";
    EXPECT_FALSE(link.ReadControllerId(text));
    EXPECT_EQ(text, "kept");
}

TEST_F(DeviceLinkTest, GateModeGoesOutByteForByte) {
    Answer(kCmdWriteGateMode, Bytes{});
    GateMode mode;
    mode.suffix = 0x0102;
    mode.name = 7;
    mode.startA = 12.34f;
    mode.stopA = 12.35f;
    mode.operatorIndex = 3;
    mode.alpha = 1.0f;
    mode.startB = -0.5f;
    mode.stopB = 25.0f;
    mode.squareRoot = 1;
    ASSERT_TRUE(link.WriteGateMode(4, mode));
    Bytes expected{4,    0x01, 0x02, 7,    0x00, 123,  0x00, 124, 3,
                   0x3F, 0x80, 0x00, 0x00, 0xFF, 0xFC, 0x00, 250, 1};
    EXPECT_EQ(LastPayload(), expected);
}

TEST_F(DeviceLinkTest, GateModeComesBackWithFloatChecks) {
    Bytes data{2, 0x00, 0x03, 5, 0x00, 123, 0xFF, 0xFB, 1};
    PutFloat(data, 0x7F800000u); // infinity
    data.insert(data.end(), {0x00, 0x28, 0x00, 0xC8, 0});
    Answer(kCmdReadGateMode, data);
    GateMode mode;
    ASSERT_TRUE(link.ReadGateMode(2, mode));
    EXPECT_EQ(LastPayload(), Bytes{2});
    EXPECT_EQ(mode.suffix, 3);
    EXPECT_EQ(mode.name, 5);
    EXPECT_FLOAT_EQ(mode.startA, 12.3f);
    EXPECT_FLOAT_EQ(mode.stopA, -0.5f);
    EXPECT_EQ(mode.operatorIndex, 1);
    EXPECT_EQ(mode.alpha, 0.0f);
    EXPECT_FLOAT_EQ(mode.startB, 4.0f);
    EXPECT_FLOAT_EQ(mode.stopB, 20.0f);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{messages::kInvalidFloatValue});

    prompts.Clear();
    Bytes finite(data.begin(), data.begin() + 9);
    PutFloat(finite, 0xFF7FFFFFu); // the most negative finite value
    finite.insert(finite.end(), {0x00, 0x28, 0x00, 0xC8, 0});
    Answer(kCmdReadGateMode, finite);
    ASSERT_TRUE(link.ReadGateMode(2, mode));
    EXPECT_EQ(mode.alpha, std::numeric_limits<float>::lowest());
    EXPECT_TRUE(prompts.Texts().empty());

    // One byte short: refused, the mode stays.
    finite.pop_back();
    Answer(kCmdReadGateMode, finite);
    const GateMode before = mode;
    EXPECT_FALSE(link.ReadGateMode(2, mode));
    EXPECT_EQ(mode, before);
}

TEST_F(DeviceLinkTest, BoardSettingsRoundTripThroughTheWire) {
    BoardSettings board;
    board.pmtVoltage = 650;
    board.ignitorCurrent = 3.1f;
    board.triggerLevel = 300;
    board.range = 2;
    board.h2FlowRate = 11.5f;
    board.air1FlowRate = 17.0f;
    board.air2FlowRate = 10.0f;
    board.splitSetControl = 0.25f;
    for (int k = 0; k < 4; ++k) {
        board.h2Coefficients[k] = 1.0f + k;
        board.air1Coefficients[k] = 2.0f + k;
        board.air2Coefficients[k] = 3.0f + k;
        board.auxCoefficients[k] = -4.0f - k;
    }
    Answer(kCmdWriteBoardSettings, Bytes{});
    ASSERT_TRUE(link.WriteBoardSettings(board));
    const Bytes sent = LastPayload();
    ASSERT_EQ(sent.size(), 90u);
    EXPECT_EQ((Bytes{sent[0], sent[1]}), (Bytes{0x02, 0x8A}));
    EXPECT_EQ((Bytes{sent[6], sent[7], sent[8], sent[9]}), (Bytes{0x01, 0x2C, 0x00, 0x02}));
    EXPECT_EQ((Bytes{sent[86], sent[87], sent[88], sent[89]}), (Bytes{0xC0, 0xE0, 0x00, 0x00})); // -7.0

    Answer(kCmdReadBoardSettings, sent);
    BoardSettings read;
    ASSERT_TRUE(link.ReadBoardSettings(read));
    EXPECT_EQ(read.pmtVoltage, 650);
    EXPECT_EQ(read.range, 2);
    EXPECT_EQ(read.splitSetControl, 0.25f);
    EXPECT_EQ(read.auxCoefficients, board.auxCoefficients);
    EXPECT_EQ(read.h2Coefficients, board.h2Coefficients);

    Answer(kCmdReadBoardSettings, Bytes(sent.begin(), sent.end() - 1));
    EXPECT_FALSE(link.ReadBoardSettings(read));
}

TEST_F(DeviceLinkTest, ChannelSettingsCarryAttenuationAsFactorMinusOne) {
    Answer(kCmdWriteChannelSettings, Bytes{});
    ChannelSettings channel;
    channel.interpolation = 1;
    channel.attenuationIndex = 8;
    channel.zeroValue = 0x1234;
    channel.extraWord = 0x0506;
    ASSERT_TRUE(link.WriteChannelSettings(1, channel, 3));
    EXPECT_EQ(LastPayload(), (Bytes{1, 3, 1, 255, 0x12, 0x34, 0x05, 0x06}));
    EXPECT_TRUE(prompts.Texts().empty());

    channel.attenuationIndex = 9;
    ASSERT_TRUE(link.WriteChannelSettings(0, channel, 0));
    EXPECT_EQ(LastPayload(), (Bytes{0, 0, 1, 0, 0x12, 0x34, 0x05, 0x06}));
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{messages::kAttenuationOutOfRange});

    prompts.Clear();
    Answer(kCmdReadChannelSettings, Bytes{1, 0x00, 0x02, 4, 1, 255, 0x00, 0x64, 0x00, 0x07});
    ChannelSettings read;
    ASSERT_TRUE(link.ReadChannelSettings(1, read));
    EXPECT_EQ(read.gateModeSuffix, 2);
    EXPECT_EQ(read.gateModeName, 4);
    EXPECT_EQ(read.interpolation, 1);
    EXPECT_EQ(read.attenuationIndex, 8);
    EXPECT_EQ(read.zeroValue, 100);
    EXPECT_EQ(read.extraWord, 7);
    EXPECT_TRUE(prompts.Texts().empty());

    Answer(kCmdReadChannelSettings, Bytes{1, 0x00, 0x02, 4, 1, 2, 0x00, 0x64, 0x00, 0x07});
    ASSERT_TRUE(link.ReadChannelSettings(1, read));
    EXPECT_EQ(read.attenuationIndex, 0);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{messages::kAttenuationOutOfRange});
}

TEST_F(DeviceLinkTest, SmallCommands) {
    Answer(kCmdAutoZeroChannel, Bytes{0x01, 0xF4});
    std::uint16_t zero = 0;
    ASSERT_TRUE(link.AutoZeroChannel(1, zero));
    EXPECT_EQ(LastPayload(), Bytes{1});
    EXPECT_EQ(zero, 500);

    Answer(kCmdWriteChannelZero, Bytes{});
    link.WriteChannelZero(1, 0x0203);
    EXPECT_EQ(LastPayload(), (Bytes{1, 0x02, 0x03}));

    Answer(kCmdReadDspMode, Bytes{0xFF});
    int mode = 5;
    ASSERT_TRUE(link.ReadDspMode(mode));
    EXPECT_EQ(mode, -1);
    Answer(kCmdReadDspMode, Bytes{});
    EXPECT_FALSE(link.ReadDspMode(mode)); // nothing to read: the mode stays
    EXPECT_EQ(mode, -1);

    Answer(kCmdReadTimedEventCount, Bytes{3, 0});
    int count = 0;
    ASSERT_TRUE(link.ReadTimedEventCount(count));
    EXPECT_EQ(count, 3);

    Answer(kCmdSaveToEeprom, Bytes{});
    Answer(kCmdResetToReady, Bytes{});
    Answer(kCmdClearTimedEvents, Bytes{});
    link.SaveToEeprom();
    link.ResetToReady();
    EXPECT_TRUE(link.ClearTimedEvents());
    const auto commands = peer.Commands();
    EXPECT_EQ(std::vector<std::uint8_t>(commands.end() - 3, commands.end()),
              (std::vector<std::uint8_t>{1, 5, 63}));
}

TEST_F(DeviceLinkTest, PulseIsDecodedFromAFullReplyOnly) {
    Bytes data{0x2A, 0x00, 0x1E, 0x00, 0x01, 0x02, 0x03};
    for (int k = 0; k < kPulseSamples; ++k) {
        data.push_back(static_cast<std::uint8_t>(k >> 8));
        data.push_back(static_cast<std::uint8_t>(k * 3));
    }
    Answer(kCmdRequestPulse, data, 0x0035);
    ASSERT_TRUE(link.RequestPulse());
    PulseRecord pulse;
    ASSERT_TRUE(link.ReadPulse(pulse));
    EXPECT_EQ(pulse.statusWord, 0x0035);
    EXPECT_EQ(pulse.sequence, 0x2A);
    EXPECT_EQ(pulse.period, 30);
    EXPECT_EQ(pulse.periodCopy, 30);
    EXPECT_EQ(pulse.timeCounter, 0x00010203u);
    EXPECT_EQ(pulse.samples[249], (249 >> 8) * 256 + static_cast<std::uint8_t>(249 * 3));

    data.pop_back();
    Answer(kCmdRequestPulse, data, 0x0001);
    ASSERT_TRUE(link.RequestPulse());
    const PulseRecord before = pulse;
    EXPECT_FALSE(link.ReadPulse(pulse));
    EXPECT_EQ(pulse.statusWord, before.statusWord);
    EXPECT_EQ(pulse.samples, before.samples);
}

// A pulse reply that came late, in the middle of an exchange: whole, or its tail only when the
// flush before the request took its start (the tail's data holds 0x15 bytes, which look like
// NAKs, and lone 0x02 bytes, which look like a frame's start). Neither is the reply, and
// neither fails the exchange: the read goes on for the reply behind them. A NAK refuses only
// when it comes first and the line goes quiet behind it.
TEST_F(DeviceLinkTest, LatePulseReplyAheadOfTheReplyIsPassedOver) {
    Bytes samples(507);
    for (std::size_t k = 0; k < samples.size(); ++k) {
        samples[k] = static_cast<std::uint8_t>(k % 3 == 0 ? 0x15 : k * 7);
    }
    const Bytes pulse = ReplyFrame(60, samples);
    const Bytes slot =
        ReplyFrame(kCmdReadGateMode, Bytes{1, 0x00, 0x07, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    for (const std::size_t cut : {std::size_t{0}, std::size_t{201}, std::size_t{333}}) {
        const Bytes tail(pulse.begin() + static_cast<std::ptrdiff_t>(cut), pulse.end());
        AnswerPieces(kCmdReadGateMode, {{tail, 0}, {slot, 20}});
        GateMode mode;
        ASSERT_TRUE(link.ReadGateMode(1, mode)) << cut;
        EXPECT_EQ(mode.suffix, 7) << cut;
    }
    // A controller slowed down in the middle of the tail, just behind a 0x15.
    const Bytes stalled{0x00, 0x2A, 0x15, 0x00, 0x47};
    AnswerPieces(kCmdReadGateMode, {{stalled, 0}, {slot, 70}});
    GateMode stalledMode;
    EXPECT_TRUE(link.ReadGateMode(1, stalledMode));
    // The copy of slot 1's reply never answers a read of slot 2.
    AnswerPieces(kCmdReadGateMode, {{slot, 0}});
    GateMode mode;
    EXPECT_FALSE(link.ReadGateMode(2, mode));
}

TEST_F(DeviceLinkTest, TimedEventsGoOutByType) {
    Answer(kCmdWriteTimedEvent, Bytes{});
    struct Case {
        TimedEvent event;
        Bytes tail;
    };
    const Case cases[] = {
        {{1.5f, kEventAutoZero, 1, 0.0f, 0}, {1}},
        {{1.5f, kEventAttenuation, 0, 8.0f, 0}, {0, 255}},
        {{1.5f, kEventRange, 0, 2.0f, 0}, {0x00, 0x02}},
        {{1.5f, kEventSquareRoot, 1, 1.0f, 0}, {1, 1}},
        {{1.5f, kEventGate, 1, 4.0f, 3}, {1, 2}}, // gate position 2 given by the caller
        {{1.5f, kEventRecord, 0, 2.0f, 0}, {0x00, 0x00, 0x00, 120}},
        {{1.5f, kEventIgnitor, 0, 2.0f, 0}, {0x40, 0x00, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(link.WriteTimedEvent(c.event, 2)) << c.event.type;
        Bytes expected{static_cast<std::uint8_t>(c.event.type + 1), 0, 0, 0, 90};
        expected.insert(expected.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(LastPayload(), expected) << c.event.type;
    }
    const std::size_t sent = peer.Requests().size();
    TimedEvent unknown{1.0f, 7, 0, 0.0f, 0};
    EXPECT_FALSE(link.WriteTimedEvent(unknown, 0));
    EXPECT_EQ(peer.Requests().size(), sent);
}

TEST_F(DeviceLinkTest, TimedEventsComeBackByType) {
    const Bytes start{0, 0, 0, 59};
    auto reply = [&](std::uint8_t typePlusOne, Bytes tail) {
        Bytes data{typePlusOne};
        data.insert(data.end(), start.begin(), start.end());
        data.insert(data.end(), tail.begin(), tail.end());
        Answer(kCmdReadTimedEvent, data);
    };
    TimedEvent event;
    reply(5, {1, 0xEE, 0x00, 0x03, 9});
    ASSERT_TRUE(link.ReadTimedEvent(4, event));
    EXPECT_EQ(LastPayload(), Bytes{4});
    EXPECT_EQ(event.type, kEventGate);
    EXPECT_NEAR(event.startTime, 0.98333f, 1e-5);
    EXPECT_EQ(event.channel, 1);
    EXPECT_EQ(event.gateSuffix, 3);
    EXPECT_EQ(event.value, 9.0f);

    reply(4, {1, 0xEE, 0xEE, 1});
    ASSERT_TRUE(link.ReadTimedEvent(0, event));
    EXPECT_EQ(event.type, kEventSquareRoot);
    EXPECT_EQ(event.value, 1.0f);

    reply(2, {0, 255});
    ASSERT_TRUE(link.ReadTimedEvent(0, event));
    EXPECT_EQ(event.value, 8.0f);

    reply(3, {0xFF, 0xFE});
    ASSERT_TRUE(link.ReadTimedEvent(0, event));
    EXPECT_EQ(event.value, -2.0f);

    reply(6, {0, 0, 0, 180});
    ASSERT_TRUE(link.ReadTimedEvent(0, event));
    EXPECT_FLOAT_EQ(event.value, 3.0f);

    Bytes ignitor;
    PutFloat(ignitor, 2.5f);
    reply(7, ignitor);
    ASSERT_TRUE(link.ReadTimedEvent(0, event));
    EXPECT_EQ(event.value, 2.5f);

    // A Gate event cut after its channel byte: the rest is not read from the frame's tail.
    const TimedEvent before = event;
    reply(5, {1});
    EXPECT_FALSE(link.ReadTimedEvent(0, event));
    EXPECT_EQ(event, before);
    reply(8, {1, 2, 3, 4});
    EXPECT_FALSE(link.ReadTimedEvent(0, event));
    Answer(kCmdReadTimedEvent, Bytes{1, 0, 0, 0});
    EXPECT_FALSE(link.ReadTimedEvent(0, event));
}

TEST_F(DeviceLinkTest, SilentControllerFailsEveryCommand) {
    GateMode mode;
    EXPECT_FALSE(link.ReadGateMode(0, mode));
    EXPECT_FALSE(link.WriteGateMode(0, mode));
    EXPECT_FALSE(link.ClearTimedEvents());
    EXPECT_TRUE(prompts.Texts().empty());
}
