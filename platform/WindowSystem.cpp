#include "platform/WindowSystem.h"

#include <algorithm>
#include <cstdlib>

namespace veltrane {

bool WindowSystemReachable(const std::vector<std::string>& arguments) {
#ifdef __linux__
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return std::any_of(arguments.begin(), arguments.end(), [](const std::string& argument) {
        return argument == "-platform" || argument == "--platform";
    });
#else
    (void)arguments;
    return true;
#endif
}

std::vector<std::string> WithoutToolkitOptions(const std::vector<std::string>& arguments) {
    // The toolkit accepts each with one dash or two.
    static const std::vector<std::string> withValue = {"platform",
                                                       "platformpluginpath",
                                                       "platformtheme",
                                                       "plugin",
                                                       "qwindowgeometry",
                                                       "geometry",
                                                       "qwindowtitle",
                                                       "title",
                                                       "qwindowicon",
                                                       "icon",
                                                       "session",
                                                       "display",
                                                       "name",
                                                       "style",
                                                       "stylesheet"};
    static const std::vector<std::string> alone = {"reverse", "testability", "nograb", "dograb",
                                                   "widgetcount"};
    static const std::vector<std::string> withInlineValue = {"qmljsdebugger=", "style=", "stylesheet="};
    const auto in = [](const std::vector<std::string>& names, const std::string& name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    std::vector<std::string> ours;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const std::size_t dashes = argument.rfind("--", 0) == 0 ? 2 : (argument.rfind('-', 0) == 0 ? 1 : 0);
        const std::string name = argument.substr(dashes);
        const bool inlineValue =
            std::any_of(withInlineValue.begin(), withInlineValue.end(),
                        [&name](const std::string& prefix) { return name.rfind(prefix, 0) == 0; });
        if (dashes == 0 || !(in(withValue, name) || in(alone, name) || inlineValue)) {
            ours.push_back(argument);
        } else if (in(withValue, name)) {
            ++i; // its value
        }
    }
    return ours;
}

} // namespace veltrane
