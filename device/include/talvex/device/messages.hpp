// Refusal messages of the encodings, from the language table ("%1".."%4" filled in).
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace talvex::device {

// The active language's text of key with %1, %2, ... replaced by args.
std::string fillIn(const char* key, std::initializer_list<std::string_view> args);

std::string notANumberMessage(std::string_view field, std::string_view text);
std::string notAnIntegerMessage(std::string_view field, std::string_view text);
std::string outOfRangeMessage(std::string_view field, std::string_view value, std::string_view min,
                              std::string_view max);
std::string textTooLongMessage(std::string_view field, std::size_t bytes);
std::string textNotEncodableMessage(std::string_view field);
std::string badDateMessage(std::string_view field, std::string_view text);
std::string valueCountMessage(std::uint16_t commitCode, std::size_t expected, std::size_t given);

// Shortest decimal text that reads back as value ("1.5", "1e+12").
std::string formatNumber(double value);

}  // namespace talvex::device
