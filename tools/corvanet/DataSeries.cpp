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

#ifdef __linux__
#include <sys/mman.h>
#endif

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

// Room for a whole file's bytes. Large buffers come straight from the system with huge pages
// asked for: a day of pulses is 144 MB, and faulting that in 4 KB pages costs as much as the
// read itself.
class ByteBuffer {
public:
    explicit ByteBuffer(std::size_t length) : length_(std::max<std::size_t>(length, 1)) {
#ifdef __linux__
        if (length_ >= kHugeThreshold) {
            void* mapped = mmap(nullptr, length_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (mapped != MAP_FAILED) {
                madvise(mapped, length_, MADV_HUGEPAGE);
                data_ = static_cast<std::uint8_t*>(mapped);
                mapped_ = true;
                return;
            }
        }
#endif
        data_ = new (std::nothrow) std::uint8_t[length_];
    }
    ~ByteBuffer() {
#ifdef __linux__
        if (mapped_) {
            munmap(data_, length_);
            return;
        }
#endif
        delete[] data_;
    }
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    std::uint8_t* Data() const {
        return data_;
    }

private:
    static constexpr std::size_t kHugeThreshold = std::size_t{8} << 20;
    std::size_t length_;
    std::uint8_t* data_ = nullptr;
    bool mapped_ = false;
};

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
    const auto length = static_cast<std::size_t>(size);
    const ByteBuffer bytes(length);
    if (bytes.Data() == nullptr) {
        error = messages::kCannotOpenFile;
        return false;
    }
    constexpr std::size_t kBlock = 1 << 22;
    std::size_t done = 0;
    while (done < length) {
        const std::size_t want = std::min(kBlock, length - done);
        const std::size_t got = std::fread(bytes.Data() + done, 1, want, file.get());
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
    return ReadDataFile(std::span<const std::uint8_t>(bytes.Data(), done), out, error);
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
