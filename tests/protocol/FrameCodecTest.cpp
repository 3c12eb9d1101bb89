#include "protocol/FrameCodec.h"

#include <gtest/gtest.h>

using namespace veltrane;
using Bytes = std::vector<std::uint8_t>;

TEST(FrameCodec, ExampleRequestFramesByteForByte) {
    EXPECT_EQ(BuildFrame(Bytes{60}), (Bytes{0x02, 0x3C, 0x10, 0x03, 0xF7, 0xDF}));
    EXPECT_EQ(BuildFrame(Bytes{0}), (Bytes{0x02, 0x00, 0x10, 0x03, 0x00, 0x00}));
    EXPECT_EQ(BuildFrame(Bytes{20, 0x02}), (Bytes{0x02, 0x14, 0x02, 0x02, 0x10, 0x03, 0xEF, 0xF5}));
    EXPECT_EQ(BuildFrame(Bytes{53, 0x01}), (Bytes{0x02, 0x35, 0x01, 0x10, 0x03, 0xEA, 0x41}));
}

TEST(FrameCodec, DleInBodyIsDoubledButNotInTheCrc) {
    const Bytes frame = BuildFrame(Bytes{0x10, 0x10});
    ASSERT_EQ(frame.size(), 1u + 4u + 4u);
    EXPECT_EQ(frame[1], 0x10);
    EXPECT_EQ(frame[4], 0x10);
    const std::uint16_t crc = Crc16(Bytes{0x10, 0x10});
    EXPECT_EQ(frame[7], crc >> 8);
    EXPECT_EQ(frame[8], crc & 0xFF);
}
