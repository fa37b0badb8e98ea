#include "talvex/channel_value.hpp"

#include "talvex/ini_file.hpp"

namespace talvex {
namespace {

std::vector<std::string> split(std::string_view s, char sep) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t pos = s.find(sep, start);
        if (pos == std::string_view::npos) {
            parts.emplace_back(s.substr(start));
            return parts;
        }
        parts.emplace_back(s.substr(start, pos - start));
        start = pos + 1;
    }
}

}  // namespace

ChannelText parseChannelText(std::string_view textPart) {
    ChannelText text;
    const std::size_t dollar = textPart.find('$');
    if (dollar == std::string_view::npos) {
        if (!textPart.empty()) text.deviceMark = std::string(textPart);
        return text;
    }
    text.hasNames = true;
    text.deviceMark = std::string(textPart.substr(0, dollar));
    const std::string_view rest = textPart.substr(dollar + 1);
    const std::size_t at = rest.find('@');
    if (at == std::string_view::npos) {
        text.names = split(rest, '$');
    } else {
        text.hasDescription = true;
        text.names = split(rest.substr(0, at), '$');
        text.description = std::string(rest.substr(at + 1));
    }
    return text;
}

ChannelValue parseChannelValue(std::string value, Codepage codepage, std::string_view defaultName) {
    if ((value.empty() || value.back() != '#') && encodedLength(value, codepage) < kValueReadBuffer - 1)
        value += '#';
    const std::size_t hash = value.find('#');
    const std::string_view all(value);
    const std::string_view list = all.substr(0, hash);
    const std::string_view textPart =
        hash == std::string_view::npos ? std::string_view() : all.substr(hash + 1);

    std::vector<std::string> values = split(list, ',');
    if (values.size() > 1 && values.back().empty()) values.pop_back();

    const ChannelText text = parseChannelText(textPart);
    ChannelValue out;
    out.deviceMark = text.deviceMark;
    out.description = text.description;
    for (std::size_t i = 0; i < values.size(); ++i)
        out.rows.push_back({values[i], i < text.names.size() ? text.names[i] : std::string(defaultName)});
    return out;
}

std::string formatChannelValue(const std::vector<ParameterRow>& rows, std::string_view deviceMark,
                               std::string_view description) {
    std::string out;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i) out += ',';
        out += rows[i].value;
    }
    if (!rows.empty()) out += '#';
    out += deviceMark;
    for (const auto& row : rows) {
        out += '$';
        out += row.name;
    }
    out += '@';
    out += description;
    return out;
}

int decimalInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::uint32_t v = 0;  // wraps like the 32-bit runtime conversion
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        v = v * 10u + static_cast<std::uint32_t>(text[i] - '0');
    if (negative) v = 0u - v;
    return static_cast<int>(v);
}

std::uint8_t decimalByte(std::string_view text) {
    return static_cast<std::uint8_t>(static_cast<std::uint32_t>(decimalInt(text)) & 0xFFu);
}

}  // namespace talvex
