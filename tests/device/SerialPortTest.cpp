#include "device/SerialPort.h"
#include "PtyPeer.h"
#include "WaitFor.h"
#include "platform/Profile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace veltrane;
using namespace veltrane::testing;
using namespace std::chrono;

namespace {

int OpenDescriptorCount() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr) {
            ++count;
        }
        closedir(dir);
    }
    return count;
}

std::int64_t ElapsedMs(steady_clock::time_point since) {
    return duration_cast<milliseconds>(steady_clock::now() - since).count();
}

} // namespace

TEST(SerialPort, PortNumberMapsToProfileDeviceOrTtyS) {
    MemoryProfile profile;
    profile.SetString("Com", "Device2", "/dev/ttyUSB0");
    SerialPort port(&profile);
    EXPECT_EQ(port.DevicePathFor(2), "/dev/ttyUSB0");
    EXPECT_EQ(port.DevicePathFor(1), "/dev/ttyS0");
    port.SetDeviceOverride("/dev/pts/9");
    EXPECT_EQ(port.DevicePathFor(1), "/dev/pts/9");
}

TEST(SerialPort, RefusesBadPortAndAccessModeBeforeOpening) {
    SerialPort port;
    port.SetDeviceOverride("/dev/null");
    EXPECT_FALSE(port.Open(0, 38400, 8, 0, 0));
    EXPECT_EQ(port.LastError(), PortError::BadPort);
    EXPECT_FALSE(port.Open(-3, 38400, 8, 0, 0));
    EXPECT_FALSE(port.OpenWithAccess(1, 3, 38400, 8, 0, 0));
    EXPECT_EQ(port.LastError(), PortError::BadAccessMode);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.State(), -1);
}

TEST(SerialPort, ClosedPortFailsQuietly) {
    SerialPort port;
    std::uint8_t byte = 1;
    int written = 7;
    EXPECT_FALSE(port.Write(&byte, 1, &written));
    EXPECT_EQ(written, 0);
    EXPECT_EQ(port.Read(1, &byte), 0);
    EXPECT_EQ(port.FlushInput(), 0);
    // Before an open has configured the line nothing is recorded.
    EXPECT_FALSE(port.SetTimeouts(50));
    EXPECT_FALSE(port.TimeoutRecorded());
}

TEST(SerialPort, MissingDeviceIsNotFound) {
    SerialPort port;
    EXPECT_FALSE(port.OpenDevice("/dev/veltrane-no-such-port", 38400));
    EXPECT_EQ(port.LastError(), PortError::NotFound);
    EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPort, OpensPseudoTerminalAndRecordsSettings) {
    PtyPair pty;
    MemoryProfile profile;
    profile.SetString("Com", "Device2", pty.SlavePath());
    SerialPort port(&profile);
    ASSERT_TRUE(port.Open(2, 19200, 8, 0, 0));
    EXPECT_EQ(port.State(), 1);
    EXPECT_EQ(port.PortNumber(), 2);
    EXPECT_EQ(port.BaudRate(), 19200);
    EXPECT_EQ(port.AccessMode(), SerialPort::kAccessReadWrite);
    EXPECT_TRUE(port.SetTimeouts(50));
    EXPECT_TRUE(port.TimeoutRecorded());
    EXPECT_EQ(port.Timeout(), 50);
    port.Close();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.State(), 1); // closing leaves the saved state alone
}

TEST(SerialPort, RatesOutsideTheClassicTableOpen) {
    PtyPair pty;
    SerialPort port;
    EXPECT_TRUE(port.OpenDevice(pty.SlavePath(), 14400));
    EXPECT_TRUE(port.OpenDevice(pty.SlavePath(), 28800));
    EXPECT_FALSE(port.OpenDevice(pty.SlavePath(), 12345));
    EXPECT_EQ(port.LastError(), PortError::LineSetup);
    EXPECT_TRUE(port.IsOpen()); // opened, but not configured
    EXPECT_EQ(port.State(), -1);
}

TEST(SerialPort, SecondOpenOfTheSameDeviceIsBusyEvenForRoot) {
    PtyPair pty;
    SerialPort first;
    SerialPort second;
    ASSERT_TRUE(first.OpenDevice(pty.SlavePath(), 38400));
    EXPECT_FALSE(second.OpenDevice(pty.SlavePath(), 38400));
    EXPECT_EQ(second.LastError(), PortError::Busy);
    EXPECT_FALSE(second.IsOpen());
    first.Close();
    EXPECT_TRUE(second.OpenDevice(pty.SlavePath(), 38400));
}

TEST(SerialPort, PermissionDeniedIsToldApartFromBusy) {
    PtyPair pty;
    ASSERT_EQ(chmod(pty.SlavePath().c_str(), 0600), 0);
    ASSERT_EQ(chown(pty.SlavePath().c_str(), 0, 0) == 0 || geteuid() != 0, true);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Root may open anything: try as an ordinary user.
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(2);
        }
        SerialPort port;
        const bool opened = port.OpenDevice(pty.SlavePath(), 38400);
        _exit(!opened && port.LastError() == PortError::PermissionDenied ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2) {
        GTEST_SKIP() << "cannot drop privileges here";
    }
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(SerialPort, OpenOnAnOpenHandleClosesItFirst) {
    PtyPair pty;
    SerialPort port;
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath(), 38400));
    const int before = OpenDescriptorCount();
    for (int retry = 0; retry < 5; ++retry) {
        ASSERT_TRUE(port.OpenDevice(pty.SlavePath(), 38400)); // would be busy against its own lock
    }
    EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST(SerialPort, ReadIsBoundedByTheTimeout) {
    PtyPair pty;
    SerialPort port;
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath(), 38400));
    ASSERT_TRUE(port.SetTimeouts(50));
    std::uint8_t buffer[16];
    const auto start = steady_clock::now();
    EXPECT_EQ(port.Read(16, buffer), 0);
    EXPECT_GE(ElapsedMs(start), 45);
    EXPECT_LT(ElapsedMs(start), 250);
    EXPECT_FALSE(port.IsLost());

    pty.WriteMaster(Bytes{1, 2, 3});
    EXPECT_EQ(port.Read(16, buffer), 3);
    EXPECT_EQ(buffer[2], 3);
}

TEST(SerialPort, WriteReachesThePeerAndCountZeroIsNoFault) {
    PtyPair pty;
    SerialPort port;
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath(), 38400));
    const Bytes data{0x02, 0x10, 0x00, 0xFF, 0x0D, 0x0A};
    int written = 0;
    EXPECT_TRUE(port.Write(data.data(), static_cast<int>(data.size()), &written));
    EXPECT_EQ(written, 6);
    EXPECT_EQ(pty.ReadMaster(), data); // raw: no CR/LF translation
    const int handle = port.Handle();
    EXPECT_TRUE(port.Write(data.data(), 0, &written));
    EXPECT_EQ(written, 0);
    EXPECT_EQ(port.Handle(), handle); // no reopen
}

TEST(SerialPort, FlushInputDropsEverythingWaiting) {
    PtyPair pty;
    SerialPort port;
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath(), 38400));
    ASSERT_TRUE(port.SetTimeouts(50));
    pty.WriteMaster(Bytes(600, 0x55));
    ASSERT_TRUE(WaitFor([&] { return port.BytesWaiting() >= 600; }));
    EXPECT_EQ(port.FlushInput(), 0);
    pty.WriteMaster(Bytes{0xAA});
    std::uint8_t buffer[700];
    EXPECT_EQ(port.Read(700, buffer), 1);
    EXPECT_EQ(buffer[0], 0xAA);
}

TEST(SerialPort, FailedWriteReopensAndKeepsReadsBounded) {
    PtyPair pty;
    SerialPort port;
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath(), 38400));
    ASSERT_TRUE(port.SetTimeouts(50));
    port.SetWriteTimeout(20);
    // Nobody reads the master: the line fills up until a write gets nothing out.
    const Bytes block(1024, 0x41);
    int written = 1;
    for (int k = 0; k < 2000 && written > 0; ++k) {
        port.Write(block.data(), static_cast<int>(block.size()), &written);
    }
    ASSERT_EQ(written, 0);
    ASSERT_TRUE(port.IsOpen()); // reopened with the saved settings
    EXPECT_EQ(port.State(), 1);
    EXPECT_EQ(port.BaudRate(), 38400);

    pty.ReadMaster(50); // drain what was written
    // A byte arriving 20 ms into the read is still taken: the 50 ms time-out is back.
    std::thread late([&] {
        std::this_thread::sleep_for(milliseconds(20));
        pty.WriteMaster(Bytes{0x42});
    });
    std::uint8_t byte = 0;
    const auto start = steady_clock::now();
    const int got = port.Read(1, &byte);
    late.join();
    EXPECT_EQ(got, 1);
    EXPECT_EQ(byte, 0x42);
    EXPECT_LT(ElapsedMs(start), 250);
}

TEST(SerialPort, VanishedDeviceIsLostNotTimedOut) {
    PtyPair pty;
    SerialPort port;
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath(), 38400));
    ASSERT_TRUE(port.SetTimeouts(50));
    pty.HangUp();
    std::uint8_t buffer[16];
    auto start = steady_clock::now();
    EXPECT_EQ(port.Read(16, buffer), 0);
    EXPECT_LT(ElapsedMs(start), 40); // at once, not after the time-out
    EXPECT_TRUE(port.IsLost());
    EXPECT_EQ(port.LastError(), PortError::Lost);
    start = steady_clock::now();
    for (int k = 0; k < 100; ++k) {
        EXPECT_EQ(port.Read(16, buffer), 0);
    }
    EXPECT_LT(ElapsedMs(start), 40);
    // Writing to it fails and the reopen finds nothing.
    std::uint8_t byte = 0;
    EXPECT_FALSE(port.Write(&byte, 1));
    EXPECT_TRUE(port.IsLost());
}
