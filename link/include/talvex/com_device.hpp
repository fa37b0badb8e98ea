// Maps a COM port number to a device path; header-only so front ends share it without linking the core.
#pragma once

#include <cstdlib>
#include <string>

namespace talvex {

// COMn is the device named by the environment variable TALVEX_COM<n> when it is set and not empty,
// else /dev/ttyS(n-1) (\\.\COMn on Windows). Callers check 1 <= n <= 99 first.
inline std::string comDevicePath(int port) {
    const std::string var = "TALVEX_COM" + std::to_string(port);
    if (const char* mapped = std::getenv(var.c_str()); mapped && *mapped) return mapped;
#if defined(_WIN32)
    return "\\\\.\\COM" + std::to_string(port);
#else
    return "/dev/ttyS" + std::to_string(port - 1);
#endif
}

}  // namespace talvex
