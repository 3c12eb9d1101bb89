#include "device/FramedLink.h"
#include "FakePlatform.h"
#include "PtyPeer.h"
#include "WaitFor.h"
#include "protocol/FrameCodec.h"

#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <thread>

using namespace veltrane;
using namespace veltrane::testing;
using namespace std::chrono;

namespace {

class FramedLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(link.OpenDevice(pty.SlavePath(), 38400));
        ASSERT_TRUE(link.SetTimeouts(50));
    }

    // Sends pieces from another thread, each after its pause, while the link reads.
    std::thread Feed(std::vector<ScriptedPeer::Piece> pieces) {
        return std::thread([this, pieces = std::move(pieces)] {
            for (const auto& piece : pieces) {
                std::this_thread::sleep_for(milliseconds(piece.pauseBeforeMs));
                pty.WriteMaster(piece.bytes);
            }
        });
    }

    Bytes Data() const {
        const auto reply = link.Reply();
        return Bytes(reply.begin() + FramedLink::kReplyDataOffset, reply.end() - 4);
    }

    PtyPair pty;
    FramedLink link;
};

Bytes PulseData() {
    Bytes data(507);
    for (std::size_t k = 0; k < data.size(); ++k) {
        data[k] = static_cast<std::uint8_t>(k * 7); // passes 0x02 and 0x10 many times
    }
    return data;
}

} // namespace

TEST_F(FramedLinkTest, SendsTheExampleFramesByteForByte) {
    const std::uint8_t two = 0x02;
    const std::uint8_t one = 0x01;
    ASSERT_TRUE(link.SendFrame(60, nullptr, 0));
    EXPECT_EQ(pty.ReadMaster(), (Bytes{0x02, 0x3C, 0x10, 0x03, 0xF7, 0xDF}));
    ASSERT_TRUE(link.SendFrame(0, nullptr, 0));
    EXPECT_EQ(pty.ReadMaster(), (Bytes{0x02, 0x00, 0x10, 0x03, 0x00, 0x00}));
    ASSERT_TRUE(link.SendFrame(20, &two, 1));
    EXPECT_EQ(pty.ReadMaster(), (Bytes{0x02, 0x14, 0x02, 0x02, 0x10, 0x03, 0xEF, 0xF5}));
    ASSERT_TRUE(link.SendFrame(53, &one, 1));
    EXPECT_EQ(pty.ReadMaster(), (Bytes{0x02, 0x35, 0x01, 0x10, 0x03, 0xEA, 0x41}));
    EXPECT_EQ(link.LastCommand(), 53);
}

TEST_F(FramedLinkTest, CrcBytesAreNeverDoubled) {
    // Find a payload whose CRC holds a control byte.
    for (int b = 0; b < 256; ++b) {
        const Bytes body{7, static_cast<std::uint8_t>(b)};
        const std::uint16_t crc = Crc16(body);
        const int high = crc >> 8;
        const int low = crc & 0xFF;
        if (b == 0x02 || b == 0x10 || (high != 0x10 && high != 0x02 && low != 0x10 && low != 0x02)) {
            continue;
        }
        const std::uint8_t payload = static_cast<std::uint8_t>(b);
        ASSERT_TRUE(link.SendFrame(7, &payload, 1));
        const Bytes sent = pty.ReadMaster();
        ASSERT_EQ(sent.size(), 7u);
        EXPECT_EQ(sent[5], high);
        EXPECT_EQ(sent[6], low);

        // And read once on the way in.
        pty.WriteMaster(ReplyFrame(7, Bytes{0x41}));
        ASSERT_TRUE(link.ReadReply());
        return;
    }
    FAIL() << "no payload with a control byte in its CRC";
}

TEST_F(FramedLinkTest, RefusesWhatCannotBeSent) {
    const Bytes huge(600, 0x10); // 1200 bytes once doubled
    EXPECT_FALSE(link.SendFrame(12, huge.data(), static_cast<int>(huge.size())));
    EXPECT_TRUE(pty.ReadMaster(30).empty());
    link.Close();
    EXPECT_FALSE(link.SendFrame(60, nullptr, 0));
    EXPECT_EQ(link.Transmitted().size(), 6u); // built all the same
}

TEST_F(FramedLinkTest, DoubledBytesInARepliesDataAreRestored) {
    link.SendFrame(20, nullptr, 0);
    pty.ReadMaster(20);
    const Bytes data{0x02, 0x10, 0x03, 0x15, 0x10, 0x10};
    pty.WriteMaster(ReplyFrame(20, data));
    ASSERT_TRUE(link.ReadReply());
    EXPECT_EQ(link.ReceivedLength(), static_cast<int>(data.size()) + 10);
    EXPECT_EQ(Data(), data);
}

TEST_F(FramedLinkTest, NoiseBeforeTheFrameIsSkipped) {
    link.SendFrame(46, nullptr, 0);
    Bytes line{0xFF, 0x10, 0x03, 0x41, 0x00, 0x10, 0x42};
    const Bytes frame = ReplyFrame(46, Bytes{1, 2, 3}, 0x1234);
    line.insert(line.end(), frame.begin(), frame.end());
    pty.WriteMaster(line);
    ASSERT_TRUE(link.ReadReply());
    EXPECT_EQ(Data(), (Bytes{1, 2, 3}));
    EXPECT_EQ(link.ReplyStatusWord(), 0x1234);
}

TEST_F(FramedLinkTest, LoneDleAbortsAndLoneStxRestarts) {
    link.SendFrame(59, nullptr, 0);
    Bytes line{0x02, 0x00, 0x00, 0x00, 0x00, 59, 0x10, 0x41}; // lone DLE: given up
    const Bytes cut{0x02, 0x00, 0x00, 0x00, 0x00, 59, 0x07};  // cut short by the next lone STX
    line.insert(line.end(), cut.begin(), cut.end());
    const Bytes frame = ReplyFrame(59, Bytes{9, 8});
    line.insert(line.end(), frame.begin(), frame.end());
    pty.WriteMaster(line);
    ASSERT_TRUE(link.ReadReply());
    EXPECT_EQ(Data(), (Bytes{9, 8}));
}

TEST_F(FramedLinkTest, PulseReplyArrivingInPiecesIsAssembled) {
    link.SendFrame(60, nullptr, 0);
    const Bytes frame = ReplyFrame(60, PulseData());
    std::vector<ScriptedPeer::Piece> pieces;
    for (std::size_t at = 0; at < frame.size(); at += 120) {
        const auto end = std::min(frame.size(), at + 120);
        pieces.push_back(
            {Bytes(frame.begin() + static_cast<long>(at), frame.begin() + static_cast<long>(end)),
             at == 0 ? 0 : 30});
    }
    auto feeder = Feed(pieces);
    const bool ok = link.ReadReply();
    feeder.join();
    ASSERT_TRUE(ok);
    EXPECT_EQ(link.ReceivedLength(), 517);
    EXPECT_EQ(Data(), PulseData());
}

TEST_F(FramedLinkTest, TwoPulseRepliesArrivingTogetherAreBothTaken) {
    link.SendFrame(60, nullptr, 0);
    Bytes second = PulseData();
    second[0] = 0x2A; // another sequence byte
    Bytes both = ReplyFrame(60, PulseData());
    const Bytes next = ReplyFrame(60, second);
    both.insert(both.end(), next.begin(), next.end());
    pty.WriteMaster(both);
    ASSERT_TRUE(link.ReadReply());
    EXPECT_EQ(Data(), PulseData());
    EXPECT_GT(link.CarriedBytes(), 0u);
    ASSERT_TRUE(link.ReadReply()) << "the reply behind the first one is not thrown away";
    EXPECT_EQ(Data(), second);
    EXPECT_EQ(link.CarriedBytes(), 0u);

    pty.WriteMaster(both);
    ASSERT_TRUE(link.ReadReply());
    link.FlushInput(); // a retried exchange starts clean
    EXPECT_EQ(link.CarriedBytes(), 0u);
    EXPECT_FALSE(link.ReadReply());
}

// A reply already waiting whole is taken without waiting out the quiet time behind it; one
// whose tail is still on its way is waited for byte by byte, within the time-out.
TEST_F(FramedLinkTest, WaitingModeTakesAWholeReplyAtOnceAndWaitsForALateTail) {
    link.SendFrame(60, nullptr, 0);
    const Bytes frame = ReplyFrame(60, PulseData());
    const auto arrived = [&] {
        return WaitFor([&] { return link.BytesWaiting() >= static_cast<int>(frame.size()); },
                       kGenerousDeadline, milliseconds(1));
    };
    pty.WriteMaster(frame);
    ASSERT_TRUE(arrived());
    auto start = steady_clock::now();
    ASSERT_TRUE(link.ReadReply(ReadMode::Waiting));
    EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - start).count(), 40);
    EXPECT_EQ(Data(), PulseData());

    pty.WriteMaster(frame);
    ASSERT_TRUE(arrived());
    start = steady_clock::now();
    ASSERT_TRUE(link.ReadReply(ReadMode::UntilQuiet));
    EXPECT_GE(duration_cast<milliseconds>(steady_clock::now() - start).count(), 45);

    const Bytes first(frame.begin(), frame.begin() + 400);
    const Bytes rest(frame.begin() + 400, frame.end());
    auto feeder = Feed({{first, 0}, {rest, 25}});
    std::this_thread::sleep_for(milliseconds(10));
    const bool ok = link.ReadReply(ReadMode::Waiting);
    feeder.join();
    ASSERT_TRUE(ok);
    EXPECT_EQ(Data(), PulseData());
}

TEST_F(FramedLinkTest, FrameCutByALongerPauseIsDropped) {
    link.SendFrame(60, nullptr, 0);
    const Bytes frame = ReplyFrame(60, PulseData());
    const Bytes first(frame.begin(), frame.begin() + 200);
    const Bytes rest(frame.begin() + 200, frame.end());
    auto feeder = Feed({{first, 0}, {rest, 150}});
    EXPECT_FALSE(link.ReadReply());
    EXPECT_EQ(link.ReceivedLength(), 0);
    feeder.join();
    // The tail alone is no frame either.
    link.ReadFrame();
    EXPECT_NE(link.LastFrameResult(), FrameResult::Good);
}

// Bytes that keep coming but never make a frame (noise at the line rate, or a byte every
// 30 ms, inside the time-out) end the read once the longest frame and the time-out could have
// arrived: the window is held no longer than that and one more read.
TEST_F(FramedLinkTest, EndlessBytesEndTheReadOnTime) {
    for (const auto& [chunk, pauseMs] : {std::pair{4, 1}, std::pair{1, 30}}) {
        EndlessNoise noise(pty, chunk, pauseMs);
        std::this_thread::sleep_for(milliseconds(5));
        const auto start = steady_clock::now();
        EXPECT_FALSE(link.ReadFrame());
        const auto took = duration_cast<milliseconds>(steady_clock::now() - start).count();
        EXPECT_EQ(link.LastFrameResult(), FrameResult::Dropped);
        EXPECT_GE(took, link.FrameTimeMs() - 20) << pauseMs;
        EXPECT_LT(took, link.FrameTimeMs() + link.Timeout() + 40) << pauseMs;
    }
}

TEST_F(FramedLinkTest, NakEndsTheReadAndFailsTheReply) {
    link.SendFrame(33, nullptr, 0);
    // With the line quiet after it, and with more bytes behind it.
    pty.WriteMaster(Bytes{0x15, 0x00, 0x00});
    EXPECT_FALSE(link.ReadReply());
    EXPECT_TRUE(link.NakReceived());
    EXPECT_EQ(link.ReceivedLength(), 3);
    Bytes line{0x15, 0x00, 0x00};
    const Bytes frame = ReplyFrame(33, Bytes{});
    line.insert(line.end(), frame.begin(), frame.end());
    pty.WriteMaster(line);
    EXPECT_FALSE(link.ReadReply());
    EXPECT_TRUE(link.NakReceived());
}

TEST_F(FramedLinkTest, OneBitCrcErrorIsRejected) {
    link.SendFrame(53, nullptr, 0);
    for (std::size_t flip : {std::size_t{7}, std::size_t{11}}) { // a data bit, a CRC bit
        Bytes frame = ReplyFrame(53, Bytes{0x01, 0x20});
        frame[flip] ^= 0x01;
        pty.WriteMaster(frame);
        EXPECT_FALSE(link.ReadReply()) << flip;
        EXPECT_EQ(link.LastFrameResult(), FrameResult::BadCrc);
        EXPECT_EQ(link.ReceivedLength(), 0);
    }
}

TEST_F(FramedLinkTest, EchoMustMatchExceptAfterCommandZero) {
    link.SendFrame(59, nullptr, 0);
    pty.WriteMaster(ReplyFrame(20, Bytes{1}));
    EXPECT_FALSE(link.ReadReply());
    link.SendFrame(0, nullptr, 0);
    pty.WriteMaster(ReplyFrame(20, Bytes{1}));
    EXPECT_TRUE(link.ReadReply());
    // ... but a pulse reply that came late is no identification: the reply behind it is.
    link.SendFrame(0, nullptr, 0);
    Bytes line = ReplyFrame(60, PulseData());
    const Bytes id = ReplyFrame(0, Bytes{'V', '4'});
    line.insert(line.end(), id.begin(), id.end());
    pty.WriteMaster(line);
    ASSERT_TRUE(link.AwaitReply());
    EXPECT_EQ(Data(), (Bytes{'V', '4'}));
}

TEST_F(FramedLinkTest, FrameLongerThanTheReplyAreaIsRefused) {
    link.SendFrame(60, nullptr, 0);
    const Bytes huge(1500, 0x41);
    Bytes line = ReplyFrame(60, huge);
    const Bytes good = ReplyFrame(60, Bytes{5});
    pty.WriteMaster(line);
    EXPECT_FALSE(link.ReadReply());
    EXPECT_EQ(link.ReceivedLength(), 0);
    pty.WriteMaster(good);
    EXPECT_TRUE(link.ReadReply());
    EXPECT_EQ(Data(), (Bytes{5}));
}

TEST_F(FramedLinkTest, ParseCursorNeverReadsPastTheData) {
    link.SendFrame(64, nullptr, 0);
    pty.WriteMaster(ReplyFrame(64, Bytes{0xAB, 0xCD}));
    ASSERT_TRUE(link.ReadReply());
    link.ResetCursor();
    EXPECT_EQ(link.NextU16(), 0xABCD);
    EXPECT_FALSE(link.CursorOverrun());
    EXPECT_EQ(link.NextU8(), 0); // the closing DLE is not data
    EXPECT_TRUE(link.CursorOverrun());
}

TEST_F(FramedLinkTest, TraceWritesOneStampedLinePerFrame) {
    fakes::TempDir dir;
    const std::string path = dir.File("trace.txt");
    ASSERT_TRUE(link.EnableTrace(path));
    link.SendFrame(60, nullptr, 0);
    Bytes line = ReplyFrame(60, Bytes{1});
    line.push_back(0x77); // a byte behind the frame is kept for the next read
    pty.WriteMaster(line);
    link.ReadReply();
    Bytes bad = ReplyFrame(60, Bytes{1});
    bad.back() ^= 0x80;
    pty.WriteMaster(bad);
    link.ReadReply();
    pty.WriteMaster(Bytes{0x15, 0, 0});
    link.ReadReply();
    pty.WriteMaster(Bytes{0x41, 0x42});
    link.ReadReply();
    link.DisableTrace();

    const std::string text = fakes::ReadText(path);
    const std::regex stamp(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} )");
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1) {
        const std::string one = text.substr(from, end - from);
        EXPECT_TRUE(std::regex_search(one, stamp)) << one;
        lines.push_back(one.substr(24));
    }
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "TX sent 02 3C 10 03 F7 DF");
    EXPECT_EQ(lines[1], "RX good 02 00 00 00 00 3C 01 10 03 " + lines[1].substr(35)) << lines[1];
    EXPECT_EQ(lines[1].find("77"), std::string::npos) << "the carried byte is traced once, with its read";
    EXPECT_EQ(lines[2].rfind("RX bad-crc 77 02", 0), 0u) << lines[2];
    EXPECT_EQ(lines[3], "RX nak 15 00 00");
    EXPECT_EQ(lines[4], "RX dropped 41 42");
}
