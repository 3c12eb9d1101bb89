#include "sim/GcCycle.h"
#include "FakePlatform.h"
#include "protocol/PulseRecord.h"
#include "sim/ControllerMemory.h"

#include <gtest/gtest.h>

using namespace veltrane;

namespace {

ControllerStatus At(GcCycle& cycle, double now) {
    cycle.Advance(now);
    return ControllerStatus::Decode(cycle.TakePulseStatus(now));
}

} // namespace

TEST(GcCycle, WarmUpThenReadyThenScheduledRunsWithTransitionsReportedOnce) {
    GcOptions options;
    options.warmupSeconds = 2.0;
    options.runEverySeconds = 10.0;
    options.runLengthSeconds = 4.0;
    GcCycle cycle(options);
    EXPECT_EQ(At(cycle, 1.0).controllerState, kStateNotReady);
    EXPECT_EQ(At(cycle, 2.5).controllerState, kStateReady);

    const GcChanges start = cycle.Advance(12.0);
    EXPECT_TRUE(start.runStarted);
    ControllerStatus status = ControllerStatus::Decode(cycle.TakePulseStatus(12.1));
    EXPECT_EQ(status.controllerState, kStateRun);
    EXPECT_EQ(status.gcRunLevel, 1);
    EXPECT_EQ(status.gcReadyToRun, 1);
    EXPECT_EQ(status.gcRunToRun, 0);
    status = At(cycle, 12.4);
    EXPECT_EQ(status.gcReadyToRun, 0) << "latched bits go out with one pulse only";
    EXPECT_EQ(status.gcRunLevel, 1);
    EXPECT_NEAR(cycle.RunSeconds(13.0), 1.0, 1e-9);

    status = At(cycle, 16.5);
    EXPECT_EQ(status.controllerState, kStateReady);
    EXPECT_EQ(status.gcRunLevel, 0);
}

TEST(GcCycle, RunStartedDuringARunIsRunToRun) {
    GcOptions options;
    options.warmupSeconds = 0.0;
    options.runLengthSeconds = 100.0;
    GcCycle cycle(options);
    EXPECT_TRUE(cycle.StartRun(1.0).runStarted);
    cycle.TakePulseStatus(1.1);
    const GcChanges again = cycle.StartRun(5.0);
    EXPECT_TRUE(again.runStarted);
    EXPECT_TRUE(again.runEnded);
    const ControllerStatus status = ControllerStatus::Decode(cycle.TakePulseStatus(5.1));
    EXPECT_EQ(status.gcRunToRun, 1);
    EXPECT_EQ(status.gcReadyToRun, 0);
    EXPECT_EQ(status.gcRunLevel, 1);
    EXPECT_NEAR(cycle.RunSeconds(6.0), 1.0, 1e-9);
    // Other replies show the state but never consume the latch.
    GcCycle other(options);
    other.StartRun(1.0);
    EXPECT_EQ(other.StatusWord(1.1) & kStatusGcReadyToRun, 0);
    EXPECT_NE(other.TakePulseStatus(1.2) & kStatusGcReadyToRun, 0);
}

TEST(GcCycle, NoRunDuringWarmUpAndResetEndsRun) {
    GcOptions options;
    options.warmupSeconds = 5.0;
    GcCycle cycle(options);
    EXPECT_FALSE(cycle.StartRun(1.0).runStarted);
    cycle.ResetToReady(1.5);
    EXPECT_EQ(ControllerStatus::Decode(cycle.StatusWord(1.6)).controllerState, kStateReady);
    cycle.StartRun(2.0);
    EXPECT_TRUE(cycle.ResetToReady(3.0).runEnded);
    const ControllerStatus status = ControllerStatus::Decode(cycle.TakePulseStatus(3.1));
    EXPECT_EQ(status.controllerState, kStateReady);
    EXPECT_EQ(status.gcReadyToRun, 0);
}

TEST(GcCycle, PmtProtectionFromEpisodeDemandAndExcessiveLight) {
    GcOptions options;
    options.pmtEpisodeStart = 10.0;
    options.pmtEpisodeLength = 2.0;
    options.excessHoldSeconds = 3.0;
    GcCycle cycle(options);
    EXPECT_EQ(cycle.StatusWord(9.0) & kStatusPmtProtection, 0);
    EXPECT_NE(cycle.StatusWord(11.0) & kStatusPmtProtection, 0);
    EXPECT_EQ(cycle.StatusWord(12.5) & kStatusPmtProtection, 0);
    cycle.ObserveLight(20.0, true);
    EXPECT_TRUE(cycle.Protected(22.9));
    EXPECT_FALSE(cycle.Protected(23.1));
    cycle.RaiseProtection(30.0, 1.0);
    EXPECT_TRUE(cycle.Protected(30.5));
    EXPECT_FALSE(cycle.Protected(31.5));
}

TEST(ControllerMemory, ImageRoundTripAndFallbackToFactory) {
    fakes::TempDir dir;
    ControllerMemory memory = ControllerMemory::Factory();
    memory.timedEvents.push_back({6, 0, 0, 0, 60, 0, 0, 0, 120});
    memory.SetChannelZero(1, 0x1234);
    memory.dspMode = 1;
    const std::string path = dir.File("image");
    ASSERT_TRUE(memory.SaveImage(path));
    EXPECT_EQ(ControllerMemory::LoadImage(path), memory);

    std::vector<unsigned char> image = fakes::ReadBytes(path);
    image[20] ^= 0x01;
    fakes::WriteBytes(path, image);
    EXPECT_EQ(ControllerMemory::LoadImage(path), ControllerMemory::Factory());
    EXPECT_EQ(ControllerMemory::LoadImage(dir.File("missing")), ControllerMemory::Factory());
    image.resize(image.size() - 5);
    EXPECT_FALSE(
        ControllerMemory::FromImage(std::vector<std::uint8_t>(image.begin(), image.end())).has_value());
}
