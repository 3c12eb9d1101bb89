#pragma once

namespace veltrane::detail {

// Sets a rate the classic termios speed table lacks (14400, 28800) on an open tty.
// False where the system cannot do it.
bool SetCustomBaudRate(int fd, int baud);

} // namespace veltrane::detail
