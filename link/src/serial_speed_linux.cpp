// Baud rates outside the Bnnn table through the kernel's termios2 (BOTHER). Kept apart from
// serial_port_posix.cpp: <asm/termbits.h> and <termios.h> define the same names differently.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "serial_speed_linux.hpp"

namespace talvex {

bool setArbitrarySpeed(int fd, std::uint32_t baudRate) {
    termios2 tio{};
    if (ioctl(fd, TCGETS2, &tio) != 0) return false;
    tio.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = baudRate;
    tio.c_ospeed = baudRate;
    if (ioctl(fd, TCSETS2, &tio) != 0) return false;
    // The driver may round the rate; one it cannot come within 2 % of counts as refused.
    termios2 back{};
    if (ioctl(fd, TCGETS2, &back) != 0) return false;
    const double ratio = static_cast<double>(back.c_ospeed) / baudRate;
    return ratio > 0.98 && ratio < 1.02;
}

}  // namespace talvex
