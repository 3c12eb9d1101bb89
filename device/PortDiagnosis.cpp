#include "device/PortDiagnosis.h"

#include "device/Messages.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <grp.h>
#include <sys/stat.h>
#endif

namespace veltrane {

namespace fs = std::filesystem;

namespace {

// Every "%1" (or "%2") of the text replaced by value.
std::string Fill(std::string text, const char* mark, const std::string& value) {
    for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + value.size())) {
        text.replace(at, 2, value);
    }
    return text;
}

#ifndef _WIN32
// The names in folder that begin with prefix, as full paths, sorted.
std::vector<std::string> Matching(const fs::path& folder, const std::string& prefix) {
    std::vector<std::string> found;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->path().filename().string().rfind(prefix, 0) == 0) {
            found.push_back(it->path().string());
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

// A built-in port node exists whether or not a UART is behind it: only one the kernel reports
// a UART type for counts. Asked of the kernel's device folder, not by opening the port, which
// would raise its modem lines under whatever is attached.
bool BuiltInPortPresent(const SystemFolders& folders, const std::string& name) {
    std::ifstream in(fs::path(folders.sys) / "class" / "tty" / name / "type");
    int type = 0;
    return static_cast<bool>(in >> type) && type != 0;
}

std::string ProcessName(const fs::path& processFolder) {
    std::ifstream in(processFolder / "comm");
    std::string name;
    std::getline(in, name);
    return name.empty() ? "?" : name;
}

std::string Canonical(const std::string& path) {
    std::error_code error;
    const fs::path resolved = fs::canonical(path, error);
    return error ? path : resolved.string();
}
#endif

// "minicom (process 1234)", several joined with commas.
std::string HolderList(const std::vector<DeviceHolder>& holders) {
    std::string text;
    for (const DeviceHolder& holder : holders) {
        text += (text.empty() ? "" : ", ") + holder.name + " (process " + std::to_string(holder.pid) + ")";
    }
    return text;
}

std::string JoinPaths(const std::vector<std::string>& paths) {
    std::string text;
    for (const std::string& path : paths) {
        text += (text.empty() ? "" : ", ") + path;
    }
    return text;
}

} // namespace

#ifdef _WIN32

// On Windows the value is the system's error code. A COM port is opened exclusively: whoever
// holds it makes every other open fail with access denied.
PortError ClassifyOpenError(int errorCode) {
    switch (static_cast<DWORD>(errorCode)) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return PortError::Busy;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_DEVICE_NOT_CONNECTED:
        return PortError::NotFound;
    default:
        return PortError::Io;
    }
}

// The COM ports the system knows, by their DOS names ("COM3"), in port order.
std::vector<std::string> ListSerialDevices(const SystemFolders&) {
    std::vector<char> names(1 << 16);
    const DWORD length = QueryDosDeviceA(nullptr, names.data(), static_cast<DWORD>(names.size()));
    std::vector<std::string> ports;
    for (std::size_t at = 0; at < length && names[at] != '\0';) {
        const std::string name(names.data() + at);
        at += name.size() + 1;
        if (name.size() > 3 && name.compare(0, 3, "COM") == 0 &&
            std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            ports.push_back(name);
        }
    }
    std::sort(ports.begin(), ports.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return ports;
}

// Windows does not tell who holds a port.
std::vector<DeviceHolder> FindDeviceHolders(const std::string&, const SystemFolders&) {
    return {};
}

std::string DeviceGroupName(const std::string&) {
    return {};
}

namespace {

std::string SystemErrorText(int errorCode) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(errorCode), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = length > 0 && text != nullptr ? std::string(text, length) : std::string();
    LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == '.')) {
        result.pop_back();
    }
    return result.empty() ? "system error " + std::to_string(errorCode) : result;
}

} // namespace

#else

PortError ClassifyOpenError(int errnoValue) {
    switch (errnoValue) {
    case EACCES:
    case EPERM:
        return PortError::PermissionDenied;
    case EBUSY:
    case EWOULDBLOCK:
        return PortError::Busy;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
        return PortError::NotFound;
    default:
        return PortError::Io;
    }
}

std::vector<std::string> ListSerialDevices(const SystemFolders& folders) {
    std::vector<std::string> devices;
    for (const std::string& path : Matching(folders.dev, "ttyS")) {
        if (BuiltInPortPresent(folders, fs::path(path).filename().string())) {
            devices.push_back(path);
        }
    }
    for (const char* prefix : {"ttyUSB", "ttyACM"}) {
        const std::vector<std::string> found = Matching(folders.dev, prefix);
        devices.insert(devices.end(), found.begin(), found.end());
    }
    const std::vector<std::string> stable = Matching(fs::path(folders.dev) / "serial" / "by-id", "");
    devices.insert(devices.end(), stable.begin(), stable.end());
    return devices;
}

std::vector<DeviceHolder> FindDeviceHolders(const std::string& devicePath, const SystemFolders& folders) {
    const std::string device = Canonical(devicePath);
    std::vector<DeviceHolder> holders;
    std::error_code error;
    for (fs::directory_iterator process(folders.proc, error), end; !error && process != end;
         process.increment(error)) {
        const std::string name = process->path().filename().string();
        if (name.empty() ||
            !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            continue;
        }
        std::error_code fdError; // another user's descriptors are closed to us: skipped
        for (fs::directory_iterator fd(process->path() / "fd", fdError), fdEnd; !fdError && fd != fdEnd;
             fd.increment(fdError)) {
            std::error_code linkError;
            const fs::path target = fs::read_symlink(fd->path(), linkError);
            if (!linkError && target.string() == device) {
                holders.push_back({std::stoi(name), ProcessName(process->path())});
                break;
            }
        }
    }
    // A lock file of the traditional kind names its owner in text.
    std::ifstream lock(fs::path(folders.lock) / ("LCK.." + fs::path(device).filename().string()));
    int pid = 0;
    if (lock >> pid && pid > 0 &&
        std::none_of(holders.begin(), holders.end(), [pid](const DeviceHolder& h) { return h.pid == pid; })) {
        holders.push_back({pid, ProcessName(fs::path(folders.proc) / std::to_string(pid))});
    }
    return holders;
}

std::string DeviceGroupName(const std::string& devicePath) {
    struct stat info {};
    if (::stat(devicePath.c_str(), &info) == 0) {
        if (const group* entry = ::getgrgid(info.st_gid); entry != nullptr && entry->gr_name != nullptr) {
            return entry->gr_name;
        }
    }
    return "dialout";
}

#endif

std::string DescribeOpenFailure(const std::string& devicePath, PortError error, int errnoValue,
                                const SystemFolders& folders) {
    switch (error) {
    case PortError::NotFound: {
        const std::vector<std::string> present = ListSerialDevices(folders);
        return Fill(messages::kDeviceNotFound, "%1", devicePath) +
               (present.empty() ? std::string(messages::kNoDevicesPresent)
                                : Fill(messages::kDevicesPresent, "%1", JoinPaths(present)));
    }
    case PortError::PermissionDenied:
        return Fill(Fill(messages::kDevicePermission, "%1", devicePath), "%2", DeviceGroupName(devicePath));
    case PortError::Busy: {
        const std::vector<DeviceHolder> holders = FindDeviceHolders(devicePath, folders);
        return holders.empty()
                   ? Fill(messages::kDeviceInUseUnknown, "%1", devicePath)
                   : Fill(Fill(messages::kDeviceInUse, "%1", devicePath), "%2", HolderList(holders));
    }
    case PortError::None:
        return {};
    default:
        return Fill(Fill(messages::kDeviceOtherError, "%1", devicePath), "%2",
#ifdef _WIN32
                    errnoValue != 0 ? SystemErrorText(errnoValue) : "the line could not be set up");
#else
                    errnoValue != 0 ? std::strerror(errnoValue) : "the line could not be set up");
#endif
    }
}

} // namespace veltrane
