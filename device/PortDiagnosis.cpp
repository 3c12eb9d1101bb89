#include "device/PortDiagnosis.h"

#include "device/Messages.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <sys/stat.h>

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
                    errnoValue != 0 ? std::strerror(errnoValue) : "the line could not be set up");
    }
}

} // namespace veltrane
