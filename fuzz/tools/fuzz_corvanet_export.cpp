// Feeds arbitrary bytes to Corvanet's command-line export as a .dat file: the file is read, and its
// pulses, chromatogram (CSV) and netCDF chromatogram are written to a scratch folder. The export
// must finish with status 0 or 1 and say every failure.

#include "CommandLine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Made once and removed at exit; kept on the heap so that it outlives every exit handler.
const std::filesystem::path& ScratchFolder() {
    static const auto* const folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "fuzz_corvanet_XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        std::atexit([] {
            std::error_code error;
            std::filesystem::remove_all(ScratchFolder(), error);
        });
        return new std::filesystem::path(pattern);
    }();
    return *folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veltrane::corvanet;
    const std::filesystem::path& folder = ScratchFolder();
    const std::string input = (folder / "RUN001.dat").string();
    {
        std::ofstream file(input, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    // The last byte picks the options, so one input reaches both channels, both gate anchors and
    // every peak baseline.
    const std::uint8_t pick = size > 0 ? data[size - 1] : 0;
    std::vector<std::string> args = {(pick & 1) != 0 ? "--export-cdf" : "--export-csv", "--out",
                                     (folder / "out").string()};
    if ((pick & 2) != 0) {
        args.insert(args.end(), {"--channel", "2"});
    }
    if ((pick & 4) != 0) {
        args.insert(args.end(), {"--anchor", "first", "--sqrt", "on"});
    }
    // The netCDF file carries the peak table: every way of drawing the peaks' baselines is reached.
    if ((pick & 8) != 0) {
        args.insert(args.end(), {"--peak-baseline", (pick & 16) != 0 ? "skim" : "valley"});
    }
    args.push_back(input);
    const Command command = ParseCommandLine(args);
    if (command.kind != CommandKind::ExportCsv && command.kind != CommandKind::ExportCdf) {
        __builtin_trap();
    }
    std::ostringstream out, err;
    const int status = RunExport(command, out, err);
    if ((status != 0 && status != 1) || (status == 1 && err.str().empty())) {
        __builtin_trap();
    }
    return 0;
}
