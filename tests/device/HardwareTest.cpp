// The serial line against a real adapter, when VELTRANE_TEST_DEVICE names one (e.g. /dev/ttyUSB0).
// Without the variable every test here is skipped with the reason; a controller on the line is
// optional (its round trip is skipped when none answers). VELTRANE_TEST_BAUD sets the controller's
// rate when it is not 38400.
#include "FakePlatform.h"
#include "device/DeviceLink.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

// The kernel's termios2 (the rate as a number) rather than <termios.h>, which clashes with it.
#include <asm/termbits.h>
#include <sys/ioctl.h>

using namespace veltrane;

namespace {

constexpr int kDefaultBaud = 38400;

std::string TestDevice() {
    const char* device = std::getenv("VELTRANE_TEST_DEVICE");
    return device == nullptr ? std::string() : std::string(device);
}

int ControllerBaud() {
    const char* baud = std::getenv("VELTRANE_TEST_BAUD");
    return baud == nullptr ? kDefaultBaud : std::atoi(baud);
}

#define VELTRANE_NEED_TEST_DEVICE(device)                                                                    \
    const std::string device = TestDevice();                                                                 \
    if (device.empty()) {                                                                                    \
        GTEST_SKIP() << "set VELTRANE_TEST_DEVICE to a serial device (e.g. /dev/ttyUSB0) to run this test";  \
    }

// The output rate the line runs at now, as the driver holds it; -1 when it cannot be asked.
long LineRate(int handle) {
    struct termios2 settings {};
    if (ioctl(handle, TCGETS2, &settings) != 0) {
        return -1;
    }
    return static_cast<long>(settings.c_ospeed);
}

} // namespace

TEST(Hardware, OpensAtTheControllersRatesOutsideTheClassicTable) {
    VELTRANE_NEED_TEST_DEVICE(device);
    SerialPort port;
    for (const int baud : {14400, 28800, kDefaultBaud}) {
        ASSERT_TRUE(port.OpenDevice(device, baud)) << baud << " baud, error " << port.LastErrno();
        EXPECT_EQ(port.BaudRate(), baud);
        EXPECT_EQ(LineRate(port.Handle()), baud) << "the driver does not run the line at " << baud;
    }
}

TEST(Hardware, RtsIsRaisedOnlyWhileSending) {
    VELTRANE_NEED_TEST_DEVICE(device);
    fakes::FakePrompts prompts;
    DeviceLink link{prompts};
    ASSERT_TRUE(link.OpenDevice(device, ControllerBaud()));
    ASSERT_TRUE(link.SetTimeouts(200));
    int lines = 0;
    if (ioctl(link.Handle(), TIOCMGET, &lines) != 0) {
        GTEST_SKIP() << device << " has no modem lines to read (a pseudo-terminal has none)";
    }
    EXPECT_EQ(lines & TIOCM_RTS, 0) << "RTS is up with nothing to send";
    EXPECT_EQ(lines & TIOCM_DTR, 0) << "DTR is up";
    // A request sent (answered or not): RTS is down again once its last byte has left.
    std::string id;
    link.ReadControllerId(id);
    ASSERT_EQ(ioctl(link.Handle(), TIOCMGET, &lines), 0);
    EXPECT_EQ(lines & TIOCM_RTS, 0) << "RTS stays up after the last byte has left";
}

TEST(Hardware, ASecondOpenIsRefusedWhileTheFirstHoldsTheLine) {
    VELTRANE_NEED_TEST_DEVICE(device);
    SerialPort first;
    SerialPort second;
    ASSERT_TRUE(first.OpenDevice(device, ControllerBaud()));
    EXPECT_FALSE(second.OpenDevice(device, ControllerBaud()));
    EXPECT_EQ(second.LastError(), PortError::Busy);
    first.Close();
    EXPECT_TRUE(second.OpenDevice(device, ControllerBaud())) << "the line is not given back on close";
}

TEST(Hardware, TheControllerAnswersTheIdentificationRequest) {
    VELTRANE_NEED_TEST_DEVICE(device);
    fakes::FakePrompts prompts;
    DeviceLink link{prompts};
    ASSERT_TRUE(link.OpenDevice(device, ControllerBaud()));
    ASSERT_TRUE(link.SetTimeouts(200));
    std::string id;
    if (!link.ReadControllerId(id)) {
        GTEST_SKIP() << "no controller answered the identification request on " << device << " at "
                     << ControllerBaud() << " baud";
    }
    EXPECT_FALSE(id.empty());
    std::printf("controller on %s: %s\n", device.c_str(), id.c_str());
}
