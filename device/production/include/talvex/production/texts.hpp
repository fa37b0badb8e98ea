// Texts of the production operations: looked up in the active language (the Chinese table holds the
// production line's own wording), with printf-style arguments.
#pragma once

#include <string>
#include <vector>

namespace talvex::production {

std::string text(const char* key);
std::string textf(const char* key, int value);
std::string textf(const char* key, double value);
std::string textf(const char* key, int id, double value);
std::string textf(const char* key, const std::string& value);
// A confirmation text with one conversion (%.9f, %0.4f, ...) per value, in order; "%%" is a "%".
std::string formatValues(const std::string& format, const std::vector<double>& values);

}  // namespace talvex::production
