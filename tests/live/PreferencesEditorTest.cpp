#include "live/PreferencesEditor.h"
#include "live/LiveState.h"
#include "platform/Profile.h"

#include <gtest/gtest.h>

using namespace veltrane;

namespace {

TEST(PreferencesEditorTest, MissingKeysShowTheDefaultsAndOkRewritesThemInFixedForm) {
    MemoryProfile profile;
    LiveState state;
    state.maxDataFileMB = 9.0f;
    state.minDiskFreeMB = 9.0f;
    PreferencesEditor editor(state, profile);
    const auto fields = editor.Init();
    EXPECT_EQ(fields.diskFree, "2.00");
    EXPECT_EQ(fields.dataSize, "1.40");
    // Writing the fields already stored the profile values in the application: Cancel keeps them.
    EXPECT_FLOAT_EQ(state.minDiskFreeMB, 2.0f);
    EXPECT_FLOAT_EQ(state.maxDataFileMB, 1.4f);

    editor.Ok(fields);
    EXPECT_EQ(profile.GetString("Preferences", "Disk Free", ""), "2.00");
    EXPECT_EQ(profile.GetString("Preferences", "Data Size", ""), "1.40");
}

TEST(PreferencesEditorTest, AnyTextIsTakenAndANonNumberIsZero) {
    MemoryProfile profile;
    profile.SetString("Preferences", "Data Size", "12.345");
    profile.SetString("Preferences", "Disk Free", "lots");
    LiveState state;
    PreferencesEditor editor(state, profile);
    const auto fields = editor.Init();
    EXPECT_EQ(fields.dataSize, "12.35");
    EXPECT_EQ(fields.diskFree, "0.00");

    editor.Ok({" 3.5MB", "-1"});
    EXPECT_FLOAT_EQ(state.minDiskFreeMB, 3.5f);
    EXPECT_FLOAT_EQ(state.maxDataFileMB, -1.0f);
    EXPECT_EQ(profile.GetString("Preferences", "Disk Free", ""), "3.50");
    EXPECT_EQ(profile.GetString("Preferences", "Data Size", ""), "-1.00");
    EXPECT_EQ(preferences::PlainDecimal("+0.5"), 0.5f);
    EXPECT_EQ(preferences::PlainDecimal("1,5"), 1.0f); // the decimal point is a point everywhere
    EXPECT_EQ(preferences::PlainDecimal("nan"), 0.0f);
    EXPECT_EQ(preferences::FormatMB(123.0f), "123.00");
}

} // namespace
