#include "ConfigText.h"
#include "FakePlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <random>

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

namespace veltrane {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Source(const std::string& relative) {
    return std::string(VELTRANE_SOURCE_DIR) + "/" + relative;
}

Bytes Encoded(const ConfigurationBlock& block) {
    Bytes bytes;
    EncodeBlock(block, bytes);
    return bytes;
}

ConfigurationBlock Decoded(const Bytes& bytes) {
    ConfigurationBlock block;
    EXPECT_EQ(DecodeBlock(bytes, block), BlockStatus::Ok);
    return block;
}

#if !defined(_WIN32) // a POSIX shell runs the tool; scripts/test-windows.sh runs the Windows one
// Runs the built tool through the shell; returns its exit status.
int RunTool(const std::string& arguments) {
    const int status = std::system((std::string(VELTRANE_CFG_TOOL) + " " + arguments).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

TEST(ConfigText, FloatsReadBackToTheSameBits) {
    std::mt19937 random(42);
    std::vector<std::uint32_t> patterns = {0x00000000u, 0x80000000u, 0x00000001u, 0x807FFFFFu, 0x7F7FFFFFu,
                                           0x7F800000u, 0xFF800000u, 0x7FC00000u, 0x7FA00001u, 0xFFFFFFFFu};
    for (int i = 0; i < 200000; ++i) {
        patterns.push_back(static_cast<std::uint32_t>(random()));
    }
    for (const std::uint32_t bits : patterns) {
        const std::string text = cfgtext::FormatFloat(std::bit_cast<float>(bits));
        float back = 0.0f;
        ASSERT_TRUE(cfgtext::ParseFloat(text, back)) << text;
        ASSERT_EQ(std::bit_cast<std::uint32_t>(back), bits) << text;
    }
    float ignored = 0.0f;
    for (const char* bad :
         {"", "nan", "1e40", "0x1p3", "1,5", "nan(0x3F800000)", "nan(0x7FC0000G)", "12abc"}) {
        EXPECT_FALSE(cfgtext::ParseFloat(bad, ignored)) << bad;
    }
}

TEST(ConfigText, GoldenFileRoundTripsThroughTextBitForBit) {
    const Bytes golden = fakes::ReadBytes(fakes::TestDataPath("golden.cfg"));
    const std::string text = cfgtext::FormatConfiguration(Decoded(golden));
    EXPECT_NE(text.find("board.auxCoefficients.C = nan(0x7FA00001)\n"), std::string::npos);
    EXPECT_NE(text.find("channel1.extraWord = -2\n"), std::string::npos);
    EXPECT_NE(text.find("timedEvent2.value = 1                       # mode P\n"), std::string::npos);

    ConfigurationBlock parsed;
    std::vector<cfgtext::ParseError> errors;
    ASSERT_TRUE(cfgtext::ParseConfiguration(text, parsed, errors));
    EXPECT_EQ(Encoded(parsed), golden);
}

TEST(ConfigText, ErrorsNameTheirLines) {
    const Bytes golden = fakes::ReadBytes(fakes::TestDataPath("golden.cfg"));
    std::string text = cfgtext::FormatConfiguration(Decoded(golden));
    auto replace = [&](const std::string& from, const std::string& to) {
        const auto pos = text.find(from);
        ASSERT_NE(pos, std::string::npos) << from;
        text.replace(pos, from.size(), to);
    };
    replace("board.pmtVoltage = 650", "board.pmtVoltage = 40000"); // line 2: beyond int16
    replace("board.range = 1", "board.range = one");               // line 5
    replace("channel1.extraWord = -2\n", "");                      // missing field
    replace("gateModes = 2", "gateModes = 1");                     // gateMode2.* become unknown
    text += "gateModes = 1\nno equals sign\n";

    ConfigurationBlock untouched;
    untouched.board.pmtVoltage = 123;
    std::vector<cfgtext::ParseError> errors;
    ASSERT_FALSE(cfgtext::ParseConfiguration(text, untouched, errors));
    EXPECT_EQ(untouched.board.pmtVoltage, 123);
    ASSERT_GE(errors.size(), 5u);
    EXPECT_EQ(errors[0].line, 2);
    EXPECT_EQ(errors[0].message, "board.pmtVoltage: '40000' is not a whole number from -32768 to 32767");
    EXPECT_EQ(errors[1].line, 5);
    EXPECT_NE(errors[2].message.find("unknown field 'gateMode2."), std::string::npos) << errors[2].message;
    EXPECT_NE(errors[errors.size() - 3].message.find("given twice"), std::string::npos);
    EXPECT_EQ(errors[errors.size() - 2].message, "expected 'field = value'");
    EXPECT_EQ(errors.back().line, 0);
    EXPECT_EQ(errors.back().message, "missing field 'channel1.extraWord'");
}

TEST(ConfigText, CountsOutsideTheirRangeAreRefused) {
    ConfigurationBlock block;
    std::vector<cfgtext::ParseError> errors;
    std::string text = cfgtext::FormatConfiguration(block);
    const auto pos = text.find("gateModes = 0");
    text.replace(pos, 13, "gateModes = 6");
    EXPECT_FALSE(cfgtext::ParseConfiguration(text, block, errors));
    EXPECT_EQ(errors.at(0).message, "gateModes: '6' is not a count from 0 to 5");
}

TEST(ShippedDefaults, DefaultCfgIsMadeFromDefaultTxtWithSensibleValues) {
    const std::string text = fakes::ReadText(Source("data/DEFAULT.txt"));
    ConfigurationBlock block;
    std::vector<cfgtext::ParseError> errors;
    ASSERT_TRUE(cfgtext::ParseConfiguration(text, block, errors)) << errors.at(0).message;
    EXPECT_EQ(Encoded(block), fakes::ReadBytes(Source("DEFAULT.CFG")))
        << "remake it: veltrane-cfg make data/DEFAULT.txt DEFAULT.CFG";

    const BoardSettings& b = block.board;
    EXPECT_TRUE(b.pmtVoltage >= 0 && b.pmtVoltage <= 1000);
    EXPECT_TRUE(b.ignitorCurrent >= 0.0f && b.ignitorCurrent <= 3.3f);
    EXPECT_TRUE(b.triggerLevel >= 0 && b.triggerLevel <= 5000);
    EXPECT_TRUE(b.range >= 0 && b.range <= 2);
    for (const float flow : {b.h2FlowRate, b.air1FlowRate, b.air2FlowRate, b.splitSetControl}) {
        EXPECT_TRUE(flow >= 0.0f && flow <= 99.99f);
    }
    // Each channel names a gate mode that exists.
    for (const ChannelSettings& channel : block.channels) {
        const bool found =
            std::any_of(block.gateModes.begin(), block.gateModes.end(), [&](const GateMode& m) {
                return m.name == channel.gateModeName && m.suffix == channel.gateModeSuffix;
            });
        EXPECT_TRUE(found);
    }
}

#if !defined(_WIN32)
TEST(VeltraneCfgTool, ShowMakeRoundTripAndExitCodes) {
    fakes::TempDir dir;
    const std::string text = dir.File("golden.txt");
    const std::string made = dir.File("made.cfg");
    ASSERT_EQ(RunTool("show " + fakes::TestDataPath("golden.cfg") + " > " + text), 0);
    ASSERT_EQ(RunTool("make " + text + " " + made), 0);
    EXPECT_EQ(fakes::ReadBytes(made), fakes::ReadBytes(fakes::TestDataPath("golden.cfg")));

    fakes::WriteBytes(dir.File("bad.cfg"), {0x02, 0x78, 0, 0});
    EXPECT_EQ(RunTool("show " + dir.File("bad.cfg") + " 2> " + dir.File("err.txt")), 1);
    EXPECT_EQ(
        fakes::ReadText(dir.File("err.txt")),
        "Invalid Configuration File Format!\nInvalid configuration file. File not loaded.\nveltrane-cfg: " +
            dir.File("bad.cfg") + ": first four bytes are not 01 78 00 00\n");

    fakes::WriteBytes(dir.File("bad.txt"), {'x', '\n'});
    EXPECT_EQ(RunTool("make " + dir.File("bad.txt") + " " + made + " 2> /dev/null"), 1);
    EXPECT_EQ(fakes::ReadBytes(made), fakes::ReadBytes(fakes::TestDataPath("golden.cfg"))) << "old file kept";
    EXPECT_EQ(RunTool("--help > /dev/null"), 0);
    EXPECT_EQ(RunTool("show 2> /dev/null"), 2);
}
#endif

} // namespace
} // namespace veltrane
