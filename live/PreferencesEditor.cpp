#include "live/PreferencesEditor.h"

#include "live/LiveState.h"
#include "platform/Profile.h"

#include <charconv>
#include <cmath>

namespace veltrane {

namespace preferences {

std::string FormatMB(float value) {
    // Not printf: the desktop sets the user's locale, which may write a decimal comma.
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, static_cast<double>(value), std::chars_format::fixed, 2);
    std::string out(text, result.ec == std::errc() ? result.ptr : text);
    if (out.size() < 4) {
        out.insert(0, 4 - out.size(), ' ');
    }
    return out;
}

float PlainDecimal(const std::string& text) {
    std::size_t at = text.find_first_not_of(" \t");
    if (at == std::string::npos) {
        return 0.0f;
    }
    if (text[at] == '+') {
        ++at;
    }
    float value = 0.0f;
    const auto result =
        std::from_chars(text.data() + at, text.data() + text.size(), value, std::chars_format::general);
    if (result.ec != std::errc() || !std::isfinite(value)) {
        return 0.0f;
    }
    return value;
}

} // namespace preferences

PreferencesEditor::PreferencesEditor(LiveState& state, Profile& profile) : state_(state), profile_(profile) {}

PreferencesEditor::Fields PreferencesEditor::Init() {
    dataSize_ = preferences::PlainDecimal(profile_.GetString(kSection, kDataSizeKey, kDataSizeDefault));
    diskFree_ = preferences::PlainDecimal(profile_.GetString(kSection, kDiskFreeKey, kDiskFreeDefault));
    // Writing the fields is an exchange as well, so the application takes the profile values.
    return Exchange({preferences::FormatMB(diskFree_), preferences::FormatMB(dataSize_)});
}

PreferencesEditor::Fields PreferencesEditor::Exchange(const Fields& typed) {
    diskFree_ = preferences::PlainDecimal(typed.diskFree);
    state_.minDiskFreeMB = diskFree_;
    dataSize_ = preferences::PlainDecimal(typed.dataSize);
    state_.maxDataFileMB = dataSize_;
    return {preferences::FormatMB(diskFree_), preferences::FormatMB(dataSize_)};
}

void PreferencesEditor::Ok(const Fields& typed) {
    Exchange(typed);
    state_.maxDataFileMB = dataSize_;
    state_.minDiskFreeMB = diskFree_;
    profile_.SetString(kSection, kDataSizeKey, preferences::FormatMB(dataSize_));
    profile_.SetString(kSection, kDiskFreeKey, preferences::FormatMB(diskFree_));
}

} // namespace veltrane
