// Baud rates termios cannot express (Linux termios2).
#pragma once

#include <cstdint>

namespace talvex {

// Sets any baud rate on an open tty whose other settings are already made. False when the driver
// refuses it or cannot come within 2 %.
bool setArbitrarySpeed(int fd, std::uint32_t baudRate);

}  // namespace talvex
