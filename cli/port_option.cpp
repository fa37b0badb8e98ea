#include "port_option.hpp"

#include <cctype>
#include <cstdio>

#include "talvex/com_device.hpp"
#include "talvex/port_open_failure.hpp"
#include "talvex/rtu.h"

namespace talvex::cli {

std::optional<int> comNumber(const std::string& port) {
    if (port.size() < 4 || port.size() > 5) return std::nullopt;
    for (std::size_t i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(port[i])) != "COM"[i]) return std::nullopt;
    int n = 0;
    for (std::size_t i = 3; i < port.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(port[i]))) return std::nullopt;
        n = n * 10 + (port[i] - '0');
    }
    return n;
}

std::optional<int> registerValue(const std::string& text) {
    const auto v = parseWholeNumber(text);
    if (!v || *v < -32768 || *v > 65535) return std::nullopt;
    return static_cast<int>(*v & 0xFFFF);
}

std::string linkFailureText(int result) {
    char text[160];
    std::snprintf(text, sizeof text, "%s (0x%04X)", RTUResultText(result), result & 0xFFFF);
    return text;
}

int linkFailureExit(int result) {
    const int code = result & 0xFFFF;
    return code > RTU_EXCEPTION && code <= RTU_EXCEPTION + 0xFF ? 3 : 1;
}

PortSession::PortSession(const Args& args) {
    const auto port = args.value("port");
    if (!port || port->empty()) {
        usageError_ = true;
        error_ = "--port DEVICE|COMn is required";
        return;
    }
    std::string numberError;
    const long baud = args.number("baud", numberError).value_or(19200);
    if (!numberError.empty()) {
        usageError_ = true;
        error_ = numberError;
        return;
    }
    if (baud < 300 || baud > 921600) {
        usageError_ = true;
        error_ = "--baud must lie between 300 and 921600";
        return;
    }
    std::string device = *port;
    const auto com = comNumber(*port);
    if (com) {
        if (*com >= 1 && *com <= 99) device = comDevicePath(*com);
        open_ = RTUOpenCom(*com, static_cast<int>(baud), 8, 0, 0) == 1;
    } else {
        open_ = RTUOpenDevice(port->c_str(), static_cast<int>(baud), 8, 0, 0) == 1;
    }
    if (!open_) {
        error_ = openFailureMessage(static_cast<PortOpenFailure>(RTULastOpenFailure()), device,
                                    RTULastOpenHolder());
        if (com && device != *port) error_ += " (" + *port + ")";
    }
}

PortSession::~PortSession() {
    if (open_) RTUCloseCom();
}

}  // namespace talvex::cli
