// Kept apart from the termios code: the kernel's termios2 header clashes with <termios.h>.
#include "device/BaudRate.h"

#if defined(__linux__)
#include <asm/termbits.h>
#include <sys/ioctl.h>
#endif

namespace veltrane::detail {

bool SetCustomBaudRate(int fd, int baud) {
#if defined(__linux__) && defined(BOTHER)
    struct termios2 settings {};
    if (ioctl(fd, TCGETS2, &settings) != 0) {
        return false;
    }
    settings.c_cflag &= ~static_cast<tcflag_t>(CBAUD);
    settings.c_cflag |= BOTHER;
    settings.c_ispeed = static_cast<speed_t>(baud);
    settings.c_ospeed = static_cast<speed_t>(baud);
    return ioctl(fd, TCSETS2, &settings) == 0;
#else
    (void)fd;
    (void)baud;
    return false;
#endif
}

} // namespace veltrane::detail
