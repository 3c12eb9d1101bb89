#include "FakePlatform.h"
#include "platform/Profile.h"

#include <gtest/gtest.h>

using namespace veltrane;

TEST(Profile, IntegersFallBackOnAnythingButAWholeNumber) {
    MemoryProfile profile;
    EXPECT_EQ(profile.GetInt("Com", "Port", 2), 2);
    profile.SetInt("Com", "Port", 1);
    EXPECT_EQ(profile.GetInt("Com", "Port", 2), 1);
    for (const char* bad : {"", "1x", " 1", "x", "99999999999"}) {
        profile.SetString("Com", "Port", bad);
        EXPECT_EQ(profile.GetInt("Com", "Port", 2), 2) << '"' << bad << '"';
    }
}

TEST(FakeClock, SleepingMovesTimeWithoutWaiting) {
    fakes::FakeClock clock;
    const auto start = clock.NowMs();
    clock.SleepMs(250);
    EXPECT_EQ(clock.NowMs() - start, 250);
}

TEST(SystemDiskSpace, ReportsTheTempFolderAndNothingForAMissingOne) {
    fakes::TempDir dir;
    EXPECT_TRUE(SystemDiskSpace::Instance().FreeBytes(dir.Path().string()).has_value());
    EXPECT_FALSE(SystemDiskSpace::Instance().FreeBytes(dir.File("missing/deeper")).has_value());
}
