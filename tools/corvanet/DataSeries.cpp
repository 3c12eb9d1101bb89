#include "DataSeries.h"

#include "CorvanetMessages.h"
#include "config/Vocabulary.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <system_error>

namespace veltrane::corvanet {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

bool LoadDataFile(const std::string& path, DataFileContents& out, std::string& error) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        error = std::filesystem::exists(path, ec) ? messages::kCannotOpenFile : messages::kNotAFileOrFolder;
        return false;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (ec || !file) {
        error = messages::kCannotOpenFile;
        return false;
    }
    // Left uninitialised: every byte used is read from the file first, and zero-filling a day of
    // pulses would cost as much as the read itself.
    const auto length = static_cast<std::size_t>(size);
    std::unique_ptr<std::uint8_t[]> bytes(new (std::nothrow) std::uint8_t[std::max<std::size_t>(length, 1)]);
    if (!bytes) {
        error = messages::kCannotOpenFile;
        return false;
    }
    constexpr std::size_t kBlock = 1 << 22;
    std::size_t done = 0;
    while (done < length) {
        const std::size_t want = std::min(kBlock, length - done);
        const std::size_t got = std::fread(bytes.get() + done, 1, want, file.get());
        done += got;
        if (got < want) {
            break;
        }
    }
    if (std::ferror(file.get())) {
        error = messages::kCannotOpenFile;
        return false;
    }
    // A file that shrank while being read is taken as far as it went.
    return ReadDataFile(std::span<const std::uint8_t>(bytes.get(), done), out, error);
}

std::vector<std::string> LoadNotes(const DataFileContents& file) {
    std::vector<std::string> notes;
    if (file.recovered) {
        notes.emplace_back(messages::kRecoveredRecords);
    }
    if (file.strayBytes != 0) {
        notes.emplace_back(messages::kStrayBytes);
    }
    if (file.pulses.empty()) {
        notes.emplace_back(messages::kNoPulses);
    }
    return notes;
}

std::vector<std::string> ListSeries(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::filesystem::path& path = it->path();
        std::error_code typeError;
        if (Lower(path.extension().string()) == ".dat" && it->is_regular_file(typeError)) {
            files.push_back(path.string());
        }
    }
    std::sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
        const std::string la = Lower(std::filesystem::path(a).filename().string());
        const std::string lb = Lower(std::filesystem::path(b).filename().string());
        return la != lb ? la < lb : a < b;
    });
    return files;
}

std::string OpenedText(const DataFileHeader& header) {
    return Format("%04u-%02u-%02u %02u:%02u", static_cast<unsigned>(header.year),
                  static_cast<unsigned>(header.month), static_cast<unsigned>(header.day),
                  static_cast<unsigned>(header.hour), static_cast<unsigned>(header.minute));
}

} // namespace veltrane::corvanet
