#pragma once

#include <string>

namespace veltrane {

class Profile;
struct LiveState;

// The two recording limits as the Preferences dialog edits them: profile section "Preferences",
// keys "Disk Free" and "Data Size", fields written with "%4.2f" and read back with a plain
// decimal conversion. Every exchange stores the values in the application at once.
class PreferencesEditor {
public:
    static constexpr const char* kSection = "Preferences";
    static constexpr const char* kDataSizeKey = "Data Size";
    static constexpr const char* kDiskFreeKey = "Disk Free";
    static constexpr const char* kDataSizeDefault = "1.4";
    static constexpr const char* kDiskFreeDefault = "2.0";

    struct Fields {
        std::string diskFree;
        std::string dataSize;
    };

    PreferencesEditor(LiveState& state, Profile& profile);

    // Reads the profile into the copies and gives the field texts (which are also stored).
    Fields Init();
    // The fields as typed: converted, kept and stored in the application values; gives the
    // texts the fields show afterwards.
    Fields Exchange(const Fields& typed);
    // OK: takes the fields and writes both keys to the profile.
    void Ok(const Fields& typed);

private:
    LiveState& state_;
    Profile& profile_;
    float diskFree_ = 0.0f;
    float dataSize_ = 0.0f;
};

namespace preferences {
// "%4.2f", always with a decimal point.
std::string FormatMB(float value);
// The leading decimal number of text (spaces first allowed); 0 when there is none.
float PlainDecimal(const std::string& text);
} // namespace preferences

} // namespace veltrane
