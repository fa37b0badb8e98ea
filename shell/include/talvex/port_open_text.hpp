// Why a serial port would not open, in the active language: the reason and what to do about it. The
// window shows it under its "port not found or occupied" message, the command line after it.
#pragma once

#include <string>
#include <string_view>

#include "talvex/port_open_failure.hpp"

namespace talvex {

// holder names the program that has the port ("held by PID 1234 (minicom)") when it is known.
std::string portOpenReason(PortOpenFailure reason, std::string_view device, std::string_view holder = {});

}  // namespace talvex
