// One channel's value in Config.ini: "id,rate,enable#mark$name1$name2$name3@description".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "talvex/text_codec.hpp"

namespace talvex {

struct ParameterRow {
    std::string value;
    std::string name;
    bool operator==(const ParameterRow&) const = default;
};

struct ChannelText {
    std::string deviceMark = " ";
    std::vector<std::string> names;
    std::string description = " ";
    bool hasNames = false;        // the text part held a "$"
    bool hasDescription = false;  // ... and an "@" after it
};

struct ChannelValue {
    std::vector<ParameterRow> rows;
    std::string deviceMark = " ";
    std::string description = " ";
};

// Parses a value as read from the file (already cut to 127 bytes). Missing names become
// defaultName (the text of "IDS_Tab_Config_Parameters").
ChannelValue parseChannelValue(std::string value, Codepage codepage, std::string_view defaultName);

// Splits the text part (after the first "#") into device mark, names and description.
ChannelText parseChannelText(std::string_view textPart);

// The value as written: values joined by ",", "#" when there is a row, the device mark, "$"
// before each name, "@" and the description. Not cut.
std::string formatChannelValue(const std::vector<ParameterRow>& rows, std::string_view deviceMark,
                               std::string_view description);

// Decimal value of a text as the C runtime reads it (leading blanks, sign, digits up to the first
// other character), truncated to 8 bits: "300" gives 44.
std::uint8_t decimalByte(std::string_view text);
int decimalInt(std::string_view text);

}  // namespace talvex
