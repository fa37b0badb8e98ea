// The line speeds the workbench offers: the window's baud list, talvex-cli listen --baud and
// talvex-sim --baud take these and no others.
#pragma once

#include <string>

namespace talvex {

inline constexpr int kBaudRates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
inline constexpr int kDefaultBaudRate = 19200;

constexpr bool isListedBaudRate(long baud) {
    for (const int b : kBaudRates)
        if (b == baud) return true;
    return false;
}

// "1200, 2400, ..., 115200" for messages.
inline std::string listedBaudRates(const char* separator = ", ") {
    std::string text;
    for (const int b : kBaudRates) text += (text.empty() ? "" : separator) + std::to_string(b);
    return text;
}

}  // namespace talvex
