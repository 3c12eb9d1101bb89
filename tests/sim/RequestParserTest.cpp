#include "sim/RequestParser.h"
#include "protocol/FrameCodec.h"

#include <gtest/gtest.h>

using namespace veltrane;
using Bytes = std::vector<std::uint8_t>;

namespace {

std::vector<ParsedRequest> FeedAll(RequestParser& parser, const Bytes& bytes) {
    std::vector<ParsedRequest> requests;
    for (std::uint8_t byte : bytes) {
        if (auto request = parser.Feed(byte)) {
            requests.push_back(*request);
        }
    }
    return requests;
}

} // namespace

TEST(RequestParser, TakesTheProgramsRequestFrames) {
    RequestParser parser;
    const auto requests = FeedAll(parser, Bytes{0x02, 0x3C, 0x10, 0x03, 0xF7, 0xDF,             // 60
                                                0x02, 0x14, 0x02, 0x02, 0x10, 0x03, 0xEF, 0xF5, // 20 with 02
                                                0x02, 0x35, 0x01, 0x10, 0x03, 0xEA, 0x41});     // 53 with 01
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].index, 60);
    EXPECT_TRUE(requests[0].payload.empty());
    EXPECT_EQ(requests[1].index, 20);
    EXPECT_EQ(requests[1].payload, Bytes{0x02});
    EXPECT_EQ(requests[2].payload, Bytes{0x01});
    for (const auto& request : requests) {
        EXPECT_TRUE(request.crcOk);
    }
}

TEST(RequestParser, StuffedIndexAndPayloadAndCrcBytesThatLookLikeControlBytes) {
    RequestParser parser;
    // Find a payload whose CRC holds a 0x10 or 0x02, which must not be unstuffed.
    for (int value = 0; value < 65536; ++value) {
        const Bytes body{0x10, static_cast<std::uint8_t>(value >> 8), 0x02, static_cast<std::uint8_t>(value)};
        const std::uint16_t crc = Crc16(body);
        if ((crc >> 8) != 0x10 && (crc & 0xFF) != 0x02) {
            continue;
        }
        const auto requests = FeedAll(parser, BuildFrame(body));
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].index, 0x10);
        EXPECT_EQ(requests[0].payload, Bytes(body.begin() + 1, body.end()));
        EXPECT_TRUE(requests[0].crcOk);
        return;
    }
    FAIL() << "no such payload";
}

TEST(RequestParser, BadCrcIsReportedNotDropped) {
    RequestParser parser;
    Bytes frame = BuildFrame(Bytes{46});
    frame[frame.size() - 2] ^= 0x80;
    const auto requests = FeedAll(parser, frame);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_FALSE(requests[0].crcOk);
}

TEST(RequestParser, ResynchronisesOnALoneStxAndDropsALoneDle) {
    RequestParser parser;
    Bytes stream{0x55, 0x02, 0x14, 0x01}; // a request cut short
    const Bytes good = BuildFrame(Bytes{64});
    stream.insert(stream.end(), good.begin(), good.end()); // the lone STX starts over
    stream.insert(stream.end(), {0x02, 0x14, 0x10, 0x07}); // lone DLE: dropped
    stream.insert(stream.end(), good.begin(), good.end());
    const auto requests = FeedAll(parser, stream);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].index, 64);
    EXPECT_TRUE(requests[1].crcOk);
    EXPECT_GE(parser.FramingErrors(), 2);
}

TEST(RequestParser, OverlongBodyIsDropped) {
    RequestParser parser;
    Bytes frame = BuildFrame(Bytes(RequestParser::kMaxBody + 10, 0x33));
    EXPECT_TRUE(FeedAll(parser, frame).empty());
    EXPECT_FALSE(parser.InFrame());
    EXPECT_EQ(FeedAll(parser, BuildFrame(Bytes{0})).size(), 1u);
}
