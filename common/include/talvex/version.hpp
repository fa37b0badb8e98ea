// The program version, from the project() line of the top CMakeLists.txt: the one place it is written
// (common/version/version.cpp.in is filled from it). Every program prints it for --version and the
// window shows it, so one number names one build.
#pragma once

#include <string_view>

namespace talvex {

std::string_view version();

}  // namespace talvex
