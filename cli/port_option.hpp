// --port DEVICE|COMn and --baud for the commands that talk to sensors: opens the link through the RTU
// interface and, when that fails, says why (missing, busy, permission) instead of a bare failure.
#pragma once

#include <optional>
#include <string>

#include "args.hpp"

namespace talvex::cli {

inline constexpr const char* kPortUsage = "--port DEVICE|COMn [--baud B]";

// Holds the link open for the life of the object.
class PortSession {
  public:
    // Reads --port and --baud (default 19200) from args and opens the port, 8N1.
    explicit PortSession(const Args& args);
    ~PortSession();
    PortSession(const PortSession&) = delete;
    PortSession& operator=(const PortSession&) = delete;

    bool ok() const { return open_; }
    // What is wrong with --port / --baud, checked without opening anything (empty when nothing is):
    // commands check it before they touch any file.
    static std::string usageProblem(const Args& args);
    // Opens the same port again after it closed underneath (an unplugged adapter); true when open.
    bool reopen();
    // Why it is not open: a usage problem or the reason the device refused.
    const std::string& error() const { return error_; }
    // 2 for a usage problem, 1 for a port that would not open.
    int exitCode() const { return usageError_ ? 2 : 1; }

  private:
    bool openPort();

    std::string port_, device_;
    int baud_ = 19200;
    bool open_ = false;
    bool usageError_ = false;
    std::string error_;
};

// "COM3", "com12" -> 3, 12; anything else -> nullopt (a device path).
std::optional<int> comNumber(const std::string& port);

// "illegal data address (0x8002)": the text of a failed RTU call with its code.
std::string linkFailureText(int result);
// Exit code of a failed RTU call: 3 when the sensor answered with a Modbus exception (it refused the
// request), 1 for every other failure (time-out, CRC, port).
int linkFailureExit(int result);

// Parses a register value: 0..65535, or -32768..-1 as its 16-bit two's complement; decimal, 0x for
// hexadecimal (a leading zero is not octal).
std::optional<int> registerValue(const std::string& text);

}  // namespace talvex::cli
