// Lists of sensor IDs as the window's found-IDs box, talvex-cli and talvex-sim read them, so that one
// text names the same sensors everywhere: "1-3,7" is 1, 2, 3 and 7.
//
// Items are separated by commas and/or blanks (spaces, tabs, line breaks); empty items are skipped, so
// the bus search's "5, 7, " reads as 5 and 7. An item is an ID or a range "first-last" (blanks around
// the dash allowed) running upwards; an ID is decimal or 0x-hexadecimal and lies in 1..247 (0 is the
// broadcast address, 248..255 are reserved). Each ID is kept once, where it first appears.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "talvex/sensor_registers.hpp"

namespace talvex::sensor {

enum class IdListError : std::uint8_t {
    None,
    NoId,           // nothing but separators
    NotAnId,        // an item that is neither an ID nor a range of IDs ("x", "1-", "-4", "1-2-3")
    OutOfRange,     // an ID outside 1..247
    ReversedRange,  // "5-3": the higher ID written first
};

struct IdList {
    std::vector<int> ids;  // in the order written, each once
    IdListError error = IdListError::None;
    std::string item;  // the first item in error, as written (blanks around its dash removed)
    bool ok() const { return error == IdListError::None; }
};

namespace detail {

constexpr bool isIdListBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A decimal or 0x-hexadecimal number; large values are held at a bound past every ID, never wrapped.
inline std::optional<long> parseIdNumber(std::string_view s) {
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty()) return std::nullopt;
    long value = 0;
    for (const char c : s) {
        int digit = 0;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = std::min(100000L, value * base + digit);
    }
    return value;
}

}  // namespace detail

inline IdList parseSensorIdList(std::string_view text) {
    // Blanks next to a dash belong to the range, not between two items.
    std::string compact;
    compact.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (detail::isIdListBlank(text[i])) {
            std::size_t next = i;
            while (next < text.size() && detail::isIdListBlank(text[next])) ++next;
            const bool afterDash = !compact.empty() && compact.back() == '-';
            const bool beforeDash = next < text.size() && text[next] == '-';
            if (!afterDash && !beforeDash) compact.push_back(' ');
            i = next - 1;
            continue;
        }
        compact.push_back(text[i]);
    }

    IdList list;
    const auto refuse = [&list](IdListError error, std::string_view item) {
        list.ids.clear();
        list.error = error;
        list.item = std::string(item);
        return list;
    };
    std::size_t pos = 0;
    while (pos < compact.size()) {
        const std::size_t end = std::min(compact.find_first_of(", ", pos), compact.size());
        const std::string_view item = std::string_view(compact).substr(pos, end - pos);
        pos = end + 1;
        if (item.empty()) continue;
        const std::size_t dash = item.find('-');
        const auto first = detail::parseIdNumber(item.substr(0, dash));
        const auto last =
            dash == std::string_view::npos ? first : detail::parseIdNumber(item.substr(dash + 1));
        if (!first || !last) return refuse(IdListError::NotAnId, item);
        if (*first < kMinSensorId || *first > kMaxSensorId || *last < kMinSensorId || *last > kMaxSensorId)
            return refuse(IdListError::OutOfRange, item);
        if (*first > *last) return refuse(IdListError::ReversedRange, item);
        for (long id = *first; id <= *last; ++id) {
            bool seen = false;
            for (const int kept : list.ids) seen = seen || kept == id;
            if (!seen) list.ids.push_back(static_cast<int>(id));
        }
    }
    if (list.ids.empty()) return refuse(IdListError::NoId, text);
    return list;
}

}  // namespace talvex::sensor
