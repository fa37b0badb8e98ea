// Why opening a serial port failed, and the message the CLI and the GUI show for it.
#pragma once

#include <string>
#include <string_view>

namespace talvex {

// Values match the RTU_OPEN_* codes of rtu.h.
enum class PortOpenFailure {
    None = 0,
    Missing = 1,           // no such device
    Busy = 2,              // held by another program (or another handle of ours)
    PermissionDenied = 3,  // the user may not open it
    Unsupported = 4,       // not a serial device, or it refused the line settings
    BadPortNumber = 5,     // COM number outside 1..99
    Other = 6,
    BadSettings = 7,  // line settings no port here can make (1.5 stop bits, parity code > 4, ...)
};

// One line for the user: the system's text, then the reason and what to do about it. holder names the
// program that has the port ("held by PID 1234 (minicom)") when it is known.
inline std::string openFailureMessage(PortOpenFailure reason, std::string_view device,
                                      std::string_view holder = {}) {
    std::string text = "Serial port not found or occupied: ";
    const std::string dev(device);
    switch (reason) {
        case PortOpenFailure::None:
            return {};
        case PortOpenFailure::Missing:
            return text + dev + " does not exist";
        case PortOpenFailure::Busy:
            return text + dev + " is in use by another program" +
                   (holder.empty() ? std::string() : " (" + std::string(holder) + ")");
        case PortOpenFailure::PermissionDenied:
            return text + "no permission to open " + dev +
                   " (add your user to the dialout group: sudo usermod -aG dialout $USER, then log in again)";
        case PortOpenFailure::Unsupported:
            return text + dev + " is not a serial port or refused the line settings";
        case PortOpenFailure::BadPortNumber:
            return text + "COM port numbers run from 1 to 99";
        case PortOpenFailure::BadSettings:
            return text + dev +
                   ": the line settings are not supported (stop bits 0 or 2, parity 0 to 4, "
                   "5 to 8 data bits)";
        case PortOpenFailure::Other:
            break;
    }
    return text + dev + " could not be opened";
}

}  // namespace talvex
