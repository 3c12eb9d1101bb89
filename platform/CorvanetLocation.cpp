#include "platform/CorvanetLocation.h"

#include "platform/FilePath.h"

#include <filesystem>

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace veltrane {

namespace {

#if defined(_WIN32)
constexpr char kListSeparator = ';';
#else
constexpr char kListSeparator = ':';
#endif

} // namespace

std::string CorvanetProgramName() {
#if defined(_WIN32)
    return "Corvanet.exe";
#else
    return "Corvanet";
#endif
}

bool HoldsCorvanet(const std::string& folder) {
    if (folder.empty()) {
        return false;
    }
    const std::filesystem::path program = PathFromUtf8(folder) / CorvanetProgramName();
    std::error_code error;
    if (!std::filesystem::is_regular_file(program, error)) {
        return false;
    }
#if defined(_WIN32)
    return true;
#else
    return ::access(program.c_str(), X_OK) == 0;
#endif
}

std::string FindCorvanetFolder(const std::string& programFolder, const std::string& searchPath) {
    namespace fs = std::filesystem;
    if (!programFolder.empty()) {
        const fs::path own = PathFromUtf8(programFolder);
        for (const fs::path& folder : {own, (own / ".." / "tools" / "corvanet").lexically_normal()}) {
            const std::string text = Utf8FromPath(folder);
            if (HoldsCorvanet(text)) {
                return text;
            }
        }
    }
    // Relative entries (an empty one means the working folder) would find whatever lies in the
    // data folder of the moment: only absolute ones count.
    std::size_t begin = 0;
    while (begin <= searchPath.size()) {
        std::size_t end = searchPath.find(kListSeparator, begin);
        if (end == std::string::npos) {
            end = searchPath.size();
        }
        const std::string entry = searchPath.substr(begin, end - begin);
        if (PathFromUtf8(entry).is_absolute() && HoldsCorvanet(entry)) {
            return entry;
        }
        begin = end + 1;
    }
    return {};
}

} // namespace veltrane
