#include "talvex/device/messages.hpp"

#include <cstdio>
#include <cstdlib>

#include "talvex/language.hpp"

namespace talvex::device {

std::string fillIn(const char* key, std::initializer_list<std::string_view> args) {
    return GetTextWith(key, args);
}

std::string notANumberMessage(std::string_view field, std::string_view text) {
    return fillIn("IDS_Device_NotANumber", {field, text});
}

std::string notAnIntegerMessage(std::string_view field, std::string_view text) {
    return fillIn("IDS_Device_NotAnInteger", {field, text});
}

std::string outOfRangeMessage(std::string_view field, std::string_view value, std::string_view min,
                              std::string_view max) {
    return fillIn("IDS_Device_OutOfRange", {field, value, min, max});
}

std::string textTooLongMessage(std::string_view field, std::size_t bytes) {
    return fillIn("IDS_Device_TextTooLong", {field, std::to_string(bytes)});
}

std::string textNotEncodableMessage(std::string_view field) {
    return fillIn("IDS_Device_TextNotEncodable", {field});
}

std::string badDateMessage(std::string_view field, std::string_view text) {
    return fillIn("IDS_Device_BadDate", {field, text});
}

std::string valueCountMessage(std::uint16_t commitCode, std::size_t expected, std::size_t given) {
    return fillIn("IDS_Device_ValueCount",
                  {std::to_string(commitCode), std::to_string(expected), std::to_string(given)});
}

std::string formatNumber(double value) {
    char buf[40];
    for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*g", precision, value);
        if (std::strtod(buf, nullptr) == value) break;
    }
    return buf;
}

}  // namespace talvex::device
