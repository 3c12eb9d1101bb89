#include "live/DataFileSink.h"

#include "platform/FilePath.h"

#include <filesystem>
#include <system_error>

namespace veltrane {

SystemDataFileSink::~SystemDataFileSink() {
    Close();
}

namespace {

// What is at the name now, links not followed.
std::filesystem::file_type TypeAt(const std::string& path) {
    std::error_code error;
    return std::filesystem::symlink_status(PathFromUtf8(path), error).type();
}

} // namespace

// A link at the name (even one pointing nowhere) would send the recording wherever it points:
// it is refused, and a new file is created only where nothing is.
DataFileSink::Created SystemDataFileSink::Create(const std::string& path, bool replace) {
    Close();
    const auto type = TypeAt(path);
    if (type == std::filesystem::file_type::symlink) {
        return Created::Link;
    }
    if (type != std::filesystem::file_type::not_found && type != std::filesystem::file_type::none) {
        if (!replace) {
            return Created::Exists;
        }
        if (type != std::filesystem::file_type::regular) {
            return Created::Failed; // a folder, a FIFO or a device is never a data file
        }
    }
    switch (file_.Open(path, replace ? DirectFile::Mode::Replace : DirectFile::Mode::New)) {
    case DirectFile::Opened::Yes:
        return Created::Yes;
    case DirectFile::Opened::Exists: // something appeared at the name since it was looked at
        return TypeAt(path) == std::filesystem::file_type::symlink ? Created::Link : Created::Exists;
    case DirectFile::Opened::Failed:
        break;
    }
    return Created::Failed;
}

bool SystemDataFileSink::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    return file_.WriteAt(offset, bytes);
}

bool SystemDataFileSink::Truncate(std::uint64_t size) {
    return file_.Truncate(size);
}

bool SystemDataFileSink::Close() {
    return file_.Close();
}

} // namespace veltrane
