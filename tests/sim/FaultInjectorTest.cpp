#include "sim/FaultInjector.h"
#include "protocol/FrameCodec.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace veltrane;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Frame(std::uint8_t fill) {
    return BuildFrame(Bytes(507, fill));
}

// Runs a fixed conversation through an injector and records everything it decided.
std::vector<std::pair<int, Bytes>> Conversation(const FaultOptions& options) {
    FaultInjector injector(options);
    std::vector<std::pair<int, Bytes>> out;
    for (int i = 0; i < 40; ++i) {
        out.emplace_back(static_cast<int>(injector.DecideRequest()), Bytes{});
        for (const OutChunk& chunk : injector.Apply(Frame(static_cast<std::uint8_t>(i)), true)) {
            out.emplace_back(chunk.pauseBeforeMs, chunk.bytes);
        }
    }
    return out;
}

FaultOptions Everything(std::uint64_t seed) {
    FaultOptions options;
    options.seed = seed;
    options.dropRate = 0.01;
    options.duplicateRate = 0.01;
    options.flipRate = 0.01;
    options.crcRate = 0.1;
    options.nakRate = 0.1;
    options.ignoreRate = 0.05;
    options.pauseRate = 0.1;
    return options;
}

} // namespace

TEST(FaultInjector, SameSeedSameFaultsOtherSeedOtherFaults) {
    EXPECT_EQ(Conversation(Everything(42)), Conversation(Everything(42)));
    EXPECT_NE(Conversation(Everything(42)), Conversation(Everything(43)));
}

TEST(FaultInjector, WithoutFaultsTheFrameGoesOutUntouched) {
    FaultInjector injector(FaultOptions{});
    const auto chunks = injector.Apply(Frame(0x10), true);
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(chunks[0].bytes, Frame(0x10));
    EXPECT_EQ(chunks[0].pauseBeforeMs, 0);
    EXPECT_EQ(injector.DecideRequest(), FaultInjector::RequestFate::Answer);
}

TEST(FaultInjector, FlipRateDamagesAboutThatShareOfBytes) {
    FaultOptions options;
    options.flipRate = 0.01;
    FaultInjector injector(options);
    std::size_t changed = 0;
    std::size_t total = 0;
    for (int i = 0; i < 200; ++i) {
        const Bytes frame = Frame(0x55);
        const auto chunks = injector.Apply(frame, true);
        ASSERT_EQ(chunks.size(), 1u);
        ASSERT_EQ(chunks[0].bytes.size(), frame.size());
        for (std::size_t k = 0; k < frame.size(); ++k) {
            changed += chunks[0].bytes[k] != frame[k];
        }
        total += frame.size();
    }
    EXPECT_NEAR(static_cast<double>(changed) / total, 0.01, 0.003);
}

TEST(FaultInjector, PauseSplitsTheFrameAndCrcDamageKeepsTheLength) {
    FaultOptions options;
    options.pauseRate = 1.0;
    options.pauseMs = 80;
    options.crcRate = 1.0;
    FaultInjector injector(options);
    const Bytes frame = Frame(1);
    const auto chunks = injector.Apply(frame, true);
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(chunks[1].pauseBeforeMs, 80);
    Bytes joined = chunks[0].bytes;
    joined.insert(joined.end(), chunks[1].bytes.begin(), chunks[1].bytes.end());
    ASSERT_EQ(joined.size(), frame.size());
    EXPECT_TRUE(std::equal(frame.begin(), frame.end() - 1, joined.begin()));
    EXPECT_NE(frame.back(), joined.back());
}

TEST(FaultInjector, ScriptedSilenceAndHangUp) {
    FaultOptions options;
    options.silenceStart = 2.0;
    options.silenceLength = 1.0;
    options.hangupStart = 5.0;
    options.hangupLength = 0.5;
    const FaultInjector injector(options);
    EXPECT_FALSE(injector.Silent(1.9));
    EXPECT_TRUE(injector.Silent(2.5));
    EXPECT_FALSE(injector.Silent(3.0));
    EXPECT_TRUE(injector.HungUp(5.2));
    EXPECT_FALSE(injector.HungUp(5.5));
}

TEST(FaultInjector, RepeatedHangUps) {
    FaultOptions options;
    options.hangupStart = 2.0;
    options.hangupLength = 0.5;
    options.hangupEvery = 3.0;
    options.hangupCount = 3;
    const FaultInjector injector(options);
    for (const double at : {2.2, 5.2, 8.2}) {
        EXPECT_TRUE(injector.HungUp(at)) << at;
        EXPECT_FALSE(injector.HungUp(at + 0.5)) << at;
    }
    EXPECT_FALSE(injector.HungUp(11.2)) << "only three";
    EXPECT_DOUBLE_EQ(injector.NextChange(3.0), 2.0);
    EXPECT_LT(injector.NextChange(9.0), 0.0);
}

TEST(FaultInjector, WrongBaudSamplesTheBitsAtTheReceiversRate) {
    // At a quarter of the rate the start bit fills three samples and the first data bit four.
    EXPECT_EQ(Misclock({0xFF}, 9600, 38400), std::vector<Bytes>{{0xF8}});
    const Bytes frame = Frame(0x02); // every data byte an STX, doubled
    for (const int baud : {4800, 9600, 19200, 57600}) {
        Bytes received;
        for (const Bytes& piece : Misclock(frame, baud, 38400)) {
            received.insert(received.end(), piece.begin(), piece.end());
        }
        EXPECT_FALSE(received.empty()) << baud;
        EXPECT_EQ(std::count(received.begin(), received.end(), kStx), 0) << baud;
        EXPECT_EQ(std::count(received.begin(), received.end(), kNak), 0) << baud;
    }
}
