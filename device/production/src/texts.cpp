// Language-table lookups with arguments for the production operations.
#include "talvex/production/texts.hpp"

#include <cstdio>

#include "talvex/language.hpp"

namespace talvex::production {
namespace {

template <class... A>
std::string printf(const std::string& format, A... args) {
    int n = std::snprintf(nullptr, 0, format.c_str(), args...);
    if (n < 0) return format;
    std::string out(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(out.data(), out.size(), format.c_str(), args...);
    out.resize(static_cast<size_t>(n));
    return out;
}

}  // namespace

std::string text(const char* key) {
    return GetText(key);
}
std::string textf(const char* key, int value) {
    return printf(GetText(key), value);
}
std::string textf(const char* key, double value) {
    return printf(GetText(key), value);
}
std::string textf(const char* key, int id, double value) {
    return printf(GetText(key), id, value);
}
std::string textf(const char* key, const std::string& value) {
    return printf(GetText(key), value.c_str());
}

std::string formatValues(const std::string& format, const std::vector<double>& values) {
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            out += format[i];
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        size_t end = format.find_first_of("feEgG", i + 1);
        if (end == std::string::npos) break;
        std::string directive = format.substr(i, end - i + 1);
        out += next < values.size() ? printf(directive, values[next++]) : directive;
        i = end;
    }
    return out;
}

}  // namespace talvex::production
