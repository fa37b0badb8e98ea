#include "port_option.hpp"

#include <cctype>
#include <cstdio>

#include "cli_text.hpp"
#include "talvex/com_device.hpp"
#include "talvex/language.hpp"
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
    char code[16];
    std::snprintf(code, sizeof code, " (0x%04X)", result & 0xFFFF);
    return linkResultText(result) + code;
}

int linkFailureExit(int result) {
    const int code = result & 0xFFFF;
    return code > RTU_EXCEPTION && code <= RTU_EXCEPTION + 0xFF ? 3 : 1;
}

std::string PortSession::usageProblem(const Args& args) {
    const auto port = args.value("port");
    if (!port || port->empty()) return GetText("IDS_Cli_PortRequired");
    std::string numberError;
    const long baud = args.number("baud", numberError).value_or(19200);
    if (!numberError.empty()) return numberError;
    if (baud < 300 || baud > 921600) return GetText("IDS_Cli_BadBaud");
    return {};
}

PortSession::PortSession(const Args& args) {
    error_ = usageProblem(args);
    if (!error_.empty()) {
        usageError_ = true;
        return;
    }
    std::string unused;
    port_ = *args.value("port");
    baud_ = static_cast<int>(args.number("baud", unused).value_or(19200));
    openPort();
}

bool PortSession::openPort() {
    device_ = port_;
    const auto com = comNumber(port_);
    if (com) {
        if (*com >= 1 && *com <= 99) device_ = comDevicePath(*com);
        open_ = RTUOpenCom(*com, baud_, 8, 0, 0) == 1;
    } else {
        open_ = RTUOpenDevice(port_.c_str(), baud_, 8, 0, 0) == 1;
    }
    error_.clear();
    if (!open_) {
        error_ = portOpenFailureText(static_cast<PortOpenFailure>(RTULastOpenFailure()), device_,
                                     RTULastOpenHolder());
        if (com && device_ != port_) error_ += " (" + port_ + ")";
    }
    return open_;
}

bool PortSession::reopen() {
    if (usageError_) return false;
    RTUCloseCom();  // releases what the failed port still held (its lock)
    return openPort();
}

PortSession::~PortSession() {
    if (open_) RTUCloseCom();
}

}  // namespace talvex::cli
