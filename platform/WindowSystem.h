#pragma once

#include <string>
#include <vector>

namespace veltrane {

// Told instead of the toolkit's abort when a window is wanted and there is nowhere to show it.
inline constexpr const char* kNoDisplay =
    "no display to show the window on (DISPLAY and WAYLAND_DISPLAY are not set); start it on the "
    "desktop, or add -platform offscreen for a run without a window";

// Whether the toolkit can find a place for a window: on Linux a desktop display, or a platform
// named in the environment (QT_QPA_PLATFORM) or on the command line (-platform NAME).
bool WindowSystemReachable(const std::vector<std::string>& arguments);

// The arguments without the toolkit's own options (-platform NAME, -style NAME, ...), which the
// toolkit takes itself once the window system is started.
std::vector<std::string> WithoutToolkitOptions(const std::vector<std::string>& arguments);

} // namespace veltrane
