// Why the controller's device could not be opened, as the operator is told it.

#include "device/PortDiagnosis.h"
#include "FakePlatform.h"
#include "PtyPeer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <unistd.h>

using namespace veltrane;
namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

} // namespace

// A missing device: what to do, and the serial devices there are (a built-in port node with no
// UART behind it is not one).
TEST(PortDiagnosis, MissingDeviceListsTheAdaptersPresent) {
    fakes::TempDir dir;
    SystemFolders folders;
    folders.dev = dir.File("dev");
    folders.sys = dir.File("sys");
    WriteFile(dir.Path() / "dev" / "ttyS0", "");
    WriteFile(dir.Path() / "dev" / "ttyS1", "");
    WriteFile(dir.Path() / "sys" / "class" / "tty" / "ttyS0" / "type", "0\n");
    WriteFile(dir.Path() / "sys" / "class" / "tty" / "ttyS1" / "type", "4\n");
    WriteFile(dir.Path() / "dev" / "ttyUSB0", "");
    WriteFile(dir.Path() / "dev" / "ttyACM1", "");
    fs::create_directories(dir.Path() / "dev" / "serial" / "by-id");
    fs::create_symlink("../../ttyUSB0",
                       dir.Path() / "dev" / "serial" / "by-id" / "usb-Adapter_A1-if00-port0");

    ASSERT_EQ(ClassifyOpenError(ENOENT), PortError::NotFound);
    EXPECT_EQ(DescribeOpenFailure("/dev/ttyUSB3", ClassifyOpenError(ENOENT), ENOENT, folders),
              "/dev/ttyUSB3 does not exist. Name the controller's device with --device or in Communications "
              "Settings.\nSerial devices present: " +
                  folders.dev + "/ttyS1, " + folders.dev + "/ttyUSB0, " + folders.dev + "/ttyACM1, " +
                  folders.dev + "/serial/by-id/usb-Adapter_A1-if00-port0.");

    fs::remove_all(dir.Path() / "dev");
    EXPECT_EQ(DescribeOpenFailure("/dev/ttyUSB3", PortError::NotFound, ENOENT, folders),
              "/dev/ttyUSB3 does not exist. Name the controller's device with --device or in Communications "
              "Settings.\nNo serial devices were found (is the adapter plugged in?).");
}

// Refused for permission (told from the error number: root is never refused): the group that
// owns the device and the command that joins it.
TEST(PortDiagnosis, PermissionNamesTheOwningGroupAndTheCommand) {
    fakes::TempDir dir;
    const std::string device = dir.File("ttyUSB0");
    WriteFile(device, "");
    const group* own = ::getgrgid(::getegid());
    ASSERT_NE(own, nullptr);
    const std::string name = own->gr_name;
    for (int refused : {EACCES, EPERM}) {
        EXPECT_EQ(DescribeOpenFailure(device, ClassifyOpenError(refused), refused),
                  "You may not open " + device + ": it belongs to the group '" + name +
                      "'. Join it with: sudo usermod -aG " + name + " $USER, then log in again.");
    }
}

// In use: the process holding it, found by its open descriptors or by a lock file.
TEST(PortDiagnosis, DeviceInUseNamesTheProcessHoldingIt) {
    veltrane::testing::PtyPair pty;
    SerialPort first;
    SerialPort second;
    ASSERT_TRUE(first.OpenDevice(pty.SlavePath(), 38400));
    ASSERT_FALSE(second.OpenDevice(pty.SlavePath(), 38400));
    const std::string text = DescribeOpenFailure(pty.SlavePath(), second.LastError(), second.LastErrno());
    EXPECT_EQ(text.rfind(pty.SlavePath() + " is in use by ", 0), 0u) << text;
    EXPECT_NE(text.find("(process " + std::to_string(::getpid()) + ")"), std::string::npos) << text;

    fakes::TempDir dir;
    SystemFolders folders;
    folders.proc = dir.File("proc");
    folders.lock = dir.File("lock");
    WriteFile(dir.Path() / "proc" / "77" / "comm", "logger\n");
    fs::create_directories(dir.Path() / "proc" / "77" / "fd");
    fs::create_symlink("/dev/ttyUSB9", dir.Path() / "proc" / "77" / "fd" / "3");
    WriteFile(dir.Path() / "proc" / "4242" / "comm", "terminal\n");
    WriteFile(dir.Path() / "lock" / "LCK..ttyUSB9", "      4242\n");
    EXPECT_EQ(DescribeOpenFailure("/dev/ttyUSB9", ClassifyOpenError(EBUSY), EBUSY, folders),
              "/dev/ttyUSB9 is in use by logger (process 77), terminal (process 4242).");
}
