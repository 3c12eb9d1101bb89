#include "DataSeries.h"

#include "CorvanetMessages.h"
#include "config/Vocabulary.h"
#include "datafile/DataFileFormat.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace veltrane::corvanet {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool IsRegularFile(const std::string& path, std::string& error) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) {
        return true;
    }
    error = std::filesystem::exists(path, ec) ? messages::kCannotOpenFile : messages::kNotAFileOrFolder;
    return false;
}

} // namespace

bool LoadDataFile(const std::string& path, DataFileContents& out, std::string& error) {
    return IsRegularFile(path, error) && ReadDataFile(path, out, error);
}

bool LoadDataFileHead(const std::string& path, DataFileContents& out, std::string& error) {
    if (!IsRegularFile(path, error)) {
        return false;
    }
    // The header's 16-bit data offset bounds the header, the configuration and the record count.
    std::vector<std::uint8_t> head(0xFFFF);
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    if (head.size() >= datafile::kHeaderSize) {
        const std::size_t offset = datafile::GetU16(head.data() + datafile::kDataOffsetField);
        if (offset >= datafile::kHeaderSize + datafile::kCountSize && offset <= head.size()) {
            // Cut after the record count, and the count made zero: a file of no pulses.
            head.resize(offset);
            std::fill(head.end() - datafile::kCountSize, head.end(), std::uint8_t{0});
        }
    }
    return ReadDataFile(head, out, error);
}

std::vector<std::string> LoadNotes(const DataFileContents& file) {
    std::vector<std::string> notes;
    if (file.recovered) {
        notes.emplace_back(messages::kRecoveredRecords);
    }
    if (file.strayBytes != 0) {
        notes.push_back(messages::kIgnoredBytesBefore + std::to_string(file.strayBytes) +
                        messages::kIgnoredBytesAfter);
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
