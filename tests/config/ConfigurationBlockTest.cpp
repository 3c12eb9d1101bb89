#include "ConfigFixture.h"

#include "config/ConfigurationBlock.h"
#include "config/Messages.h"

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <random>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace veltrane {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::string>;

std::uint32_t Bits(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

class BlockTest : public ::testing::Test, public testing::ConfigFixture {
protected:
    // Fills every field of the model from a seeded stream of raw bit patterns, so unusual floats
    // (NaNs with payloads, infinities, subnormals, negative zero) turn up as well as plain ones.
    void FillModel(int modes, int events, std::uint32_t seed) {
        std::mt19937 random(seed);
        const std::array<std::uint32_t, 6> special = {0x80000000u, 0x7FA00001u, 0xFFC12345u,
                                                      0x7F800000u, 0x00000001u, 0x3F800000u};
        auto f = [&] {
            const std::uint32_t pick = random();
            return std::bit_cast<float>(pick % 3 == 0 ? special[pick % special.size()]
                                                      : static_cast<std::uint32_t>(random()));
        };
        auto i16 = [&] { return static_cast<std::int16_t>(random()); };
        model.SetLoggingEnabled(false);
        model.SetPmtVoltage(i16());
        model.SetIgnitorCurrent(f());
        model.SetTriggerLevel(i16());
        model.SetRange(i16());
        model.SetH2FlowRate(f());
        model.SetAir1FlowRate(f());
        model.SetAir2FlowRate(f());
        model.SetSplitSetControl(f());
        for (auto group :
             {CoefficientGroup::H2, CoefficientGroup::Air1, CoefficientGroup::Air2, CoefficientGroup::Aux}) {
            for (int letter = 0; letter < 4; ++letter) {
                model.SetCoefficient(group, letter, f());
            }
        }
        for (int c = 0; c < kChannelCount; ++c) {
            ChannelSettings& channel = model.GetChannel(c);
            channel = {static_cast<std::uint16_t>(random()), i16(), i16(), i16(), i16(), i16()};
        }
        std::vector<GateMode> list;
        for (int m = 0; m < modes; ++m) {
            list.push_back(
                {i16(), i16(), f(), f(), i16(), f(), f(), f(), static_cast<std::uint8_t>(random())});
        }
        model.SetGateModes(list);
        std::vector<TimedEvent> timed;
        for (int e = 0; e < events; ++e) {
            timed.push_back({f(), i16(), i16(), f(), i16()});
        }
        model.ReplaceTimedEvents(timed);
        model.SetLoggingEnabled(true);
    }

    Bytes Golden() const { return fakes::ReadBytes(fakes::TestDataPath("golden.cfg")); }
};

TEST_F(BlockTest, SizeIs124Plus27PerModePlus14PerEvent) {
    EXPECT_EQ(model.StoreBlock().size(), 124u);
    for (const auto& [modes, events] : {std::pair{1, 0}, {0, 1}, {5, 16}, {3, 40}}) {
        FillModel(modes, events, 7);
        EXPECT_EQ(model.StoreBlock().size(),
                  124u + 27u * static_cast<unsigned>(modes) + 14u * static_cast<unsigned>(events));
    }
    Bytes prefix{9, 9};
    model.TransferBlock(prefix, ConfigurationModel::Direction::Store);
    EXPECT_EQ(prefix.size(), 2u + 124u + 27u * 3u + 14u * 40u) << "storing appends";
}

TEST_F(BlockTest, GoldenFileLoadsEveryFieldAndStoresBackIdentically) {
    const Bytes golden = Golden();
    ASSERT_EQ(golden.size(), 220u);
    ASSERT_TRUE(model.LoadBlock(golden));

    const BoardSettings& b = model.Board();
    EXPECT_EQ(b.pmtVoltage, 650);
    EXPECT_EQ(b.ignitorCurrent, 2.5f);
    EXPECT_EQ(b.triggerLevel, 200);
    EXPECT_EQ(b.range, 1);
    EXPECT_EQ(b.h2FlowRate, 12.5f);
    EXPECT_EQ(b.air1FlowRate, 80.0f);
    EXPECT_EQ(b.air2FlowRate, 17.75f);
    EXPECT_EQ(b.splitSetControl, 3.25f);
    EXPECT_EQ(b.h2Coefficients, (std::array<float, 4>{1.0f, 2.0f, 3.0f, 4.0f}));
    EXPECT_EQ(b.air1Coefficients, (std::array<float, 4>{-0.5f, 0.25f, 0.001f, 100.0f}));
    EXPECT_EQ(b.air2Coefficients, (std::array<float, 4>{5.0f, 6.0f, 7.0f, 8.0f}));
    EXPECT_EQ(Bits(b.auxCoefficients[0]), Bits(0.1f));
    EXPECT_EQ(Bits(b.auxCoefficients[1]), 0x80000000u);
    EXPECT_EQ(Bits(b.auxCoefficients[2]), 0x7FA00001u);
    EXPECT_EQ(Bits(b.auxCoefficients[3]), 0x00000001u);

    const ChannelSettings& c1 = model.GetChannel(0);
    EXPECT_EQ(c1.zeroValue, 65535);
    EXPECT_EQ(c1.interpolation, 1);
    EXPECT_EQ(c1.attenuationIndex, 4);
    EXPECT_EQ(c1.gateModeName, 0);
    EXPECT_EQ(c1.gateModeSuffix, 1);
    EXPECT_EQ(c1.extraWord, -2);
    const ChannelSettings& c2 = model.GetChannel(1);
    EXPECT_EQ(c2.zeroValue, 32768);
    EXPECT_EQ(c2.attenuationIndex, 8);
    EXPECT_EQ(c2.gateModeName, 1);
    EXPECT_EQ(c2.extraWord, 0x1234);

    ASSERT_EQ(model.GateModeCount(), 2);
    EXPECT_EQ(model.GetGateMode(0), (GateMode{1, 0, 6.0f, 24.0f, 0, 0.5f, 0.5f, 3.0f, 1}));
    EXPECT_EQ(model.GetGateMode(1), (GateMode{1, 1, 4.0f, 15.0f, 0, 0.25f, 0.5f, 3.0f, 0}));
    EXPECT_EQ(
        model.GetTimedEvents(),
        (std::vector<TimedEvent>{{0.5f, 0, 0, 0.0f, 0}, {1.5f, 4, 1, 1.0f, 1}, {10.0f, 5, 0, 12.0f, 0}}));
    EXPECT_TRUE(model.RunLogEntries().empty()) << "loading writes no entries";
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(model.StoreBlock(), golden);
}

TEST_F(BlockTest, SaveThenLoadGivesEveryFieldBackBitForBit) {
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        FillModel(static_cast<int>(seed % 6), static_cast<int>(seed % 17), seed);
        const Bytes stored = model.StoreBlock();
        const std::string path = dir.File("round.cfg");
        ASSERT_TRUE(model.SaveConfiguration(path));
        EXPECT_EQ(fakes::ReadBytes(path), stored);

        fakes::FakePrompts otherPrompts;
        RunLog otherLog(dir.File("other.log"), clock, otherPrompts);
        ConfigurationModel other(otherPrompts, otherLog);
        ASSERT_TRUE(other.LoadConfiguration(path));
        EXPECT_EQ(other.StoreBlock(), stored) << "seed " << seed;
        EXPECT_EQ(other.GetChannel(1).extraWord, model.GetChannel(1).extraWord);
        EXPECT_EQ(Bits(other.GetCoefficient(CoefficientGroup::Aux, 2)),
                  Bits(model.GetCoefficient(CoefficientGroup::Aux, 2)));
        EXPECT_TRUE(otherPrompts.shown.empty());
    }
}

TEST_F(BlockTest, EveryRefusedBlockLeavesTheModelUnchanged) {
    const Bytes golden = Golden();
    auto with = [&](std::size_t offset, std::initializer_list<std::uint8_t> patch) {
        Bytes bytes = golden;
        std::copy(patch.begin(), patch.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
        return bytes;
    };
    const std::vector<std::pair<const char*, Bytes>> refused = {
        {"wrong signature", with(0, {0x01, 0x79})},
        {"signature high bytes", with(2, {0x00, 0x01})},
        {"gate-mode count 6", with(4, {6, 0})},
        {"gate-mode count -1", with(4, {0xFF, 0xFF})},
        {"event count -1", with(96, {0xFF, 0xFF, 0xFF, 0xFF})},
        {"event count huge", with(96, {0xFF, 0xFF, 0xFF, 0x7F})},
        {"event count one more", with(96, {4})},
        {"one byte short", Bytes(golden.begin(), golden.end() - 1)},
        {"fixed part only", Bytes(golden.begin(), golden.begin() + 124)},
        {"short of the fixed part", Bytes(golden.begin(), golden.begin() + 123)},
        {"three bytes", Bytes(golden.begin(), golden.begin() + 3)},
        {"trailing byte",
         [&] {
             Bytes bytes = golden;
             bytes.push_back(0);
             return bytes;
         }()},
    };

    FillModel(4, 9, 99);
    const Bytes before = model.StoreBlock();
    const std::size_t entries = model.RunLogEntries().size();
    for (const auto& [what, bytes] : refused) {
        prompts.Clear();
        EXPECT_FALSE(model.LoadBlock(bytes)) << what;
        EXPECT_EQ(prompts.Texts(), Texts{"Invalid Configuration File Format!"}) << what;

        const std::string path = dir.File("refused.cfg");
        fakes::WriteBytes(path, bytes);
        prompts.Clear();
        EXPECT_FALSE(model.LoadConfiguration(path)) << what;
        EXPECT_EQ(prompts.Texts(), Texts{messages::kInvalidConfigurationFormat}) << what;
        EXPECT_EQ(model.StoreBlock(), before) << what;
    }
    EXPECT_EQ(model.RunLogEntries().size(), entries);
}

TEST_F(BlockTest, MoreEventsThanTheControllerCountsAreRefusedWhole) {
    FillModel(3, 7, 21);
    const Bytes before = model.StoreBlock();
    for (const std::size_t events : {256u, 2000u}) {
        ConfigurationBlock block;
        block.timedEvents.resize(events);
        Bytes bytes;
        EncodeBlock(block, bytes);
        // The count and the length agree, as in a file written by some other tool.
        for (std::size_t i = 0; i < 4; ++i) {
            bytes[96 + i] = static_cast<std::uint8_t>(events >> (8 * i));
        }
        bytes.resize(BlockSize(0, events));

        const std::string path = dir.File("many.cfg");
        fakes::WriteBytes(path, bytes);
        prompts.Clear();
        EXPECT_FALSE(model.LoadConfiguration(path)) << events;
        EXPECT_EQ(prompts.Texts(), Texts{messages::kInvalidConfigurationFormat}) << events;
        EXPECT_EQ(model.StoreBlock(), before) << events;
    }
}

TEST_F(BlockTest, AModelHoldingMoreEventsStoresOnlyWhatTheControllerCanHold) {
    FillModel(5, 300, 8);
    const Bytes stored = model.StoreBlock();
    EXPECT_EQ(stored.size(), BlockSize(5, 255));
    ConfigurationModel other(prompts, runLog);
    ASSERT_TRUE(other.LoadBlock(stored));
    EXPECT_EQ(other.GetTimedEvents().size(), 255u);
}

TEST_F(BlockTest, MissingEmptyOrNonRegularFileIsRefusedWithoutMessage) {
    FillModel(2, 2, 5);
    const Bytes before = model.StoreBlock();
    fakes::WriteBytes(dir.File("empty.cfg"), {});
    EXPECT_FALSE(model.LoadConfiguration(dir.File("empty.cfg")));
    EXPECT_FALSE(model.LoadConfiguration(dir.File("missing.cfg")));
    EXPECT_FALSE(model.LoadConfiguration(dir.Path().string()));
#if !defined(_WIN32)
    // Nobody writes into it: opening it for reading must not wait for a writer.
    ASSERT_EQ(::mkfifo(dir.File("DEFAULT.CFG").c_str(), 0600), 0);
    EXPECT_FALSE(model.LoadConfiguration(dir.File("DEFAULT.CFG")));
#endif
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(model.StoreBlock(), before);
}

TEST_F(BlockTest, LoadingReplacesTheWholeEventListAlsoWithNone) {
    FillModel(5, 16, 3);
    ConfigurationBlock empty;
    Bytes bytes;
    EncodeBlock(empty, bytes);
    ASSERT_TRUE(model.TransferBlock(bytes, ConfigurationModel::Direction::Load));
    EXPECT_TRUE(model.GetTimedEvents().empty());
    EXPECT_EQ(model.GateModeCount(), 0);
    EXPECT_EQ(model.StoreBlock(), bytes);
}

TEST_F(BlockTest, SaveReplacesTheOldFileAndLeavesNoTemporaryFiles) {
    const std::string path = dir.File("lab.cfg");
    fakes::WriteBytes(path, Bytes(500, 0xAA));
    FillModel(1, 1, 11);
    ASSERT_TRUE(model.SaveConfiguration(path));
    EXPECT_EQ(fakes::ReadBytes(path), model.StoreBlock());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2)
        << "log and lab.cfg only";
}

#if !defined(_WIN32) // fork, rlimit, FIFOs
TEST_F(BlockTest, SaveRemovesTemporaryFilesOfDeadSavesOfThatTargetOnly) {
    const pid_t dead = ::fork();
    if (dead == 0) {
        ::_exit(0);
    }
    ASSERT_GT(dead, 0);
    ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
    const std::string path = dir.File("lab.cfg");
    const std::string stale = path + ".saving-" + std::to_string(dead) + "-3";
    const std::vector<std::string> kept = {
        path + ".saving-1-0",                                        // a process that is running
        path + ".saving-" + std::to_string(dead) + "-3x",            // not a name this program makes
        dir.File("other.cfg.saving-" + std::to_string(dead) + "-0"), // another target
    };
    fakes::WriteBytes(stale, Bytes(4096, 0xAA));
    for (const std::string& name : kept) {
        fakes::WriteBytes(name, {1});
    }
    ASSERT_TRUE(model.SaveConfiguration(path));
    EXPECT_FALSE(std::filesystem::exists(stale));
    for (const std::string& name : kept) {
        EXPECT_TRUE(std::filesystem::exists(name)) << name;
    }
}
#endif

TEST_F(BlockTest, FailedSaveKeepsTheOldContentsAndSaysSo) {
    // A non-empty folder under the target name cannot be replaced by a file.
    const std::string path = dir.File("busy.cfg");
    std::filesystem::create_directory(path);
    fakes::WriteBytes(path + "/keep", {1, 2, 3});
    EXPECT_FALSE(model.SaveConfiguration(path));
    EXPECT_EQ(fakes::ReadBytes(path + "/keep"), (Bytes{1, 2, 3}));
    EXPECT_FALSE(model.SaveConfiguration(dir.File("no-such-folder/x.cfg")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2)
        << "no temporary file left";
    EXPECT_TRUE(prompts.shown.empty()) << "the caller reports a failed save";
}

} // namespace
} // namespace veltrane
