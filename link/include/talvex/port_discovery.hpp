// Discovery of the machine's serial ports and the port list's text rules. The list shows one
// text per port ("FT232R...(ttyUSB0)"); connect takes the device back out of that text.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace talvex {

// One serial port, in enumeration order.
struct SSerInfo {
    std::string devicePath;    // /dev/ttyUSB0
    std::string portName;      // ttyUSB0
    std::string friendlyName;  // "FT232R USB UART - FTDI (ttyUSB0)": ends with "(" + portName + ")"
    bool usb = false;          // the device hangs off a USB bus (converters, CDC-ACM)
    std::string description;   // "FT232R USB UART - FTDI": the friendly name without its port part
};

// Empties `ports` and fills it with every serial device under <sysRoot>/class/tty whose entry has a
// `device` link, in natural name order (ttyS2 before ttyS10). Legacy 8250 slots without a UART
// (their `type` reads 0) are skipped. Device paths are built under devRoot. Returns an error text,
// empty on success; no port at all is success with an empty array.
std::string EnumerateSerialPorts(std::vector<SSerInfo>& ports, const std::filesystem::path& sysRoot = "/sys",
                                 const std::filesystem::path& devRoot = "/dev");

// List text of a friendly name: when "(tty" starts after character position 6, the characters from
// position 6 up to it are replaced by "..."; shorter names stay whole. Positions count UTF-8
// characters, not bytes.
std::string portListText(std::string_view friendlyName);

// Device path named by a list text: "/dev/" + the name between "(tty" and the next ")", e.g.
// "/dev/ttyUSB0". Empty when the text names no device or the name holds anything but letters,
// digits and '_' (a list text never leads outside devRoot).
std::string deviceFromListText(std::string_view listText, const std::filesystem::path& devRoot = "/dev");

}  // namespace talvex
