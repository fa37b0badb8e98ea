#include "talvex/device/encodings.hpp"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "talvex/device/messages.hpp"
#include "talvex/text_codec.hpp"

namespace talvex::device {
namespace {

using sensor::Encoding;

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

// [+-] digits [. digits] [e [+-] digits], with at least one digit before the exponent.
bool isDecimalSyntax(std::string_view s, bool allowFraction) {
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
        return i - from;
    };
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t mantissa = digits();
    if (allowFraction && i < s.size() && s[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return false;
    if (allowFraction && i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        if (digits() == 0) return false;
    }
    return i == s.size();
}

Encoded refused(std::string message) {
    Encoded e;
    e.error = std::move(message);
    return e;
}

Encoded words(std::initializer_list<std::uint16_t> regs) {
    Encoded e;
    e.registers.assign(regs);
    return e;
}

Encoded split32(std::uint32_t v) {
    return words({static_cast<std::uint16_t>(v >> 16), static_cast<std::uint16_t>(v & 0xFFFF)});
}

constexpr double kTwo31 = 2147483648.0;
constexpr double kTwo63 = 9223372036854775808.0;

}  // namespace

Parsed<double> parseDecimal(std::string_view field, std::string_view text) {
    Parsed<double> p;
    const std::string t(trimBlanks(text));
    if (!isDecimalSyntax(t, true)) {
        p.error = notANumberMessage(field, text);
        return p;
    }
    errno = 0;
    const double v = std::strtod(t.c_str(), nullptr);
    if (!std::isfinite(v) || (errno == ERANGE && std::fabs(v) > 1.0)) {
        p.error = notANumberMessage(field, text);
        return p;
    }
    p.value = v;
    return p;
}

Parsed<std::int64_t> parseInteger(std::string_view field, std::string_view text, std::int64_t min,
                                  std::int64_t max) {
    Parsed<std::int64_t> p;
    const std::string t(trimBlanks(text));
    if (!isDecimalSyntax(t, false)) {
        p.error = notAnIntegerMessage(field, text);
        return p;
    }
    errno = 0;
    const long long v = std::strtoll(t.c_str(), nullptr, 10);
    if (errno == ERANGE || v < min || v > max) {
        p.error = outOfRangeMessage(field, t, std::to_string(min), std::to_string(max));
        return p;
    }
    p.value = v;
    return p;
}

Encoded encodeU16(std::string_view field, std::int64_t value) {
    if (value < 0 || value > 0xFFFF)
        return refused(outOfRangeMessage(field, std::to_string(value), "0", "65535"));
    return words({static_cast<std::uint16_t>(value)});
}

Encoded encodeU32(std::string_view field, std::int64_t value) {
    if (value < 0 || value > 0xFFFFFFFFll)
        return refused(outOfRangeMessage(field, std::to_string(value), "0", "4294967295"));
    return split32(static_cast<std::uint32_t>(value));
}

Encoded encodeS32(std::string_view field, std::int64_t value) {
    if (value < INT32_MIN || value > INT32_MAX)
        return refused(outOfRangeMessage(field, std::to_string(value), "-2147483648", "2147483647"));
    return split32(static_cast<std::uint32_t>(static_cast<std::int32_t>(value)));
}

namespace {
Encoded scaledS32(std::string_view field, double value, float factor, const char* min, const char* max) {
    const float product = static_cast<float>(value) * factor;
    const double whole = std::trunc(static_cast<double>(product));
    if (!std::isfinite(whole) || whole < -kTwo31 || whole >= kTwo31)
        return refused(outOfRangeMessage(field, formatNumber(value), min, max));
    return split32(static_cast<std::uint32_t>(static_cast<std::int32_t>(whole)));
}
}  // namespace

Encoded encodeS32x1e4(std::string_view field, double value) {
    return scaledS32(field, value, 10000.0f, "-214748.3648", "214748.3647");
}

Encoded encodeS32x1e3(std::string_view field, double value) {
    return scaledS32(field, value, 1000.0f, "-2147483.648", "2147483.647");
}

Encoded encodeS64x1e9(std::string_view field, double value) {
    const double whole = std::trunc(value * 1e9);
    if (!std::isfinite(whole) || whole < -kTwo63 || whole >= kTwo63)
        return refused(
            outOfRangeMessage(field, formatNumber(value), "-9223372036.854775808", "9223372036.854775807"));
    const auto v = static_cast<std::uint64_t>(static_cast<std::int64_t>(whole));
    return words({static_cast<std::uint16_t>(v >> 48), static_cast<std::uint16_t>(v >> 32 & 0xFFFF),
                  static_cast<std::uint16_t>(v >> 16 & 0xFFFF), static_cast<std::uint16_t>(v & 0xFFFF)});
}

Encoded encodeU16x100(std::string_view field, double value) {
    const double whole = std::trunc(value * 100.0);
    if (!std::isfinite(whole) || whole < 0 || whole > 65535)
        return refused(outOfRangeMessage(field, formatNumber(value), "0", "655.35"));
    return words({static_cast<std::uint16_t>(whole)});
}

Encoded encodeBcdDate(std::string_view field, std::int64_t yyyymmdd) {
    const std::int64_t year = yyyymmdd / 10000, month = yyyymmdd / 100 % 100, day = yyyymmdd % 100;
    if (yyyymmdd < 0 || year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31)
        return refused(badDateMessage(field, std::to_string(yyyymmdd)));
    return words(
        {static_cast<std::uint16_t>(bcd(static_cast<unsigned>(month)) << 8 | bcd(static_cast<unsigned>(day))),
         bcd(static_cast<unsigned>(year))});
}

Encoded encodeText20(std::string_view field, std::string_view utf8) {
    const std::optional<std::string> gbk = encodeGbk(utf8);
    if (!gbk) return refused(textNotEncodableMessage(field));
    const std::string& bytes = *gbk;
    if (bytes.size() > static_cast<std::size_t>(sensor::kText20Bytes))
        return refused(textTooLongMessage(field, bytes.size()));
    Encoded e;
    e.registers.assign(sensor::kText20Registers, 0);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[i]));
        e.registers[i / 2] = static_cast<std::uint16_t>(e.registers[i / 2] | (i % 2 ? b << 8 : b));
    }
    return e;
}

std::string decodeText20(std::span<const std::uint16_t> registers) {
    std::string bytes;
    for (const std::uint16_t r : registers) {
        const char hi = static_cast<char>(r >> 8), lo = static_cast<char>(r & 0xFF);
        if (hi == 0) break;
        bytes.push_back(hi);
        if (lo == 0) break;
        bytes.push_back(lo);
    }
    return decodeGbk(bytes).utf8;  // GBK always: many GBK texts are valid UTF-8 by chance
}

Encoded encodeText(Encoding encoding, std::string_view field, std::string_view text) {
    switch (encoding) {
        case Encoding::Text20:
            return encodeText20(field, text);
        case Encoding::U16:
        case Encoding::BcdYear:
        case Encoding::BcdHour:
        case Encoding::BcdMonthDay:
        case Encoding::BcdMinuteSecond: {
            const auto v = parseInteger(field, text, 0, 0xFFFF);
            return v ? encodeU16(field, *v) : refused(v.error);
        }
        case Encoding::U32: {
            const auto v = parseInteger(field, text, 0, 0xFFFFFFFFll);
            return v ? encodeU32(field, *v) : refused(v.error);
        }
        case Encoding::S32: {
            const auto v = parseInteger(field, text, INT32_MIN, INT32_MAX);
            return v ? encodeS32(field, *v) : refused(v.error);
        }
        case Encoding::BcdDate: {
            const auto v = parseInteger(field, text, 0, 99991231);
            return v ? encodeBcdDate(field, *v) : refused(badDateMessage(field, text));
        }
        case Encoding::S32x1e4:
        case Encoding::S32x1e3:
        case Encoding::S64x1e9: {
            const auto v = parseDecimal(field, text);
            return v ? encodeNumber(encoding, field, *v) : refused(v.error);
        }
    }
    return refused(notANumberMessage(field, text));
}

Encoded encodeNumber(Encoding encoding, std::string_view field, double value) {
    if (!std::isfinite(value)) return refused(notANumberMessage(field, formatNumber(value)));
    const auto whole = [&](std::int64_t& out) {
        if (value != std::trunc(value) || std::fabs(value) > 9.0e15) return false;
        out = static_cast<std::int64_t>(value);
        return true;
    };
    std::int64_t n = 0;
    switch (encoding) {
        case Encoding::S32x1e4:
            return encodeS32x1e4(field, value);
        case Encoding::S32x1e3:
            return encodeS32x1e3(field, value);
        case Encoding::S64x1e9:
            return encodeS64x1e9(field, value);
        case Encoding::Text20:
            return encodeText20(field, formatNumber(value));
        case Encoding::BcdDate:
            return whole(n) ? encodeBcdDate(field, n) : refused(badDateMessage(field, formatNumber(value)));
        case Encoding::U32:
            return whole(n) ? encodeU32(field, n) : refused(notAnIntegerMessage(field, formatNumber(value)));
        case Encoding::S32:
            return whole(n) ? encodeS32(field, n) : refused(notAnIntegerMessage(field, formatNumber(value)));
        default:
            return whole(n) ? encodeU16(field, n) : refused(notAnIntegerMessage(field, formatNumber(value)));
    }
}

std::uint32_t decodeU32(std::uint16_t high, std::uint16_t low) {
    return static_cast<std::uint32_t>(high) << 16 | low;
}

std::int32_t decodeS32(std::uint16_t high, std::uint16_t low) {
    return static_cast<std::int32_t>(decodeU32(high, low));
}

std::int64_t decodeS64(std::span<const std::uint16_t, 4> r) {
    std::uint64_t v = 0;
    for (const std::uint16_t w : r) v = v << 16 | w;
    return static_cast<std::int64_t>(v);
}

std::uint16_t bcd(unsigned value) {
    std::uint16_t out = 0;
    for (int shift = 0; shift < 16; shift += 4, value /= 10)
        out = static_cast<std::uint16_t>(out | (value % 10) << shift);
    return out;
}

std::array<std::uint16_t, 4> clockRegisters(const std::tm& t) {
    const auto u = [](int v) { return static_cast<unsigned>(v); };
    return {static_cast<std::uint16_t>(bcd(u(t.tm_mon + 1)) << 8 | bcd(u(t.tm_mday))),
            bcd(u(t.tm_year + 1900)), bcd(u(t.tm_hour)),
            static_cast<std::uint16_t>(bcd(u(t.tm_min)) << 8 | bcd(u(t.tm_sec)))};
}

namespace {
template <class Input, class EncodeOne>
Staged stage(const sensor::CommitCode& code, std::span<const Input> inputs, EncodeOne encodeOne) {
    Staged s;
    if (inputs.size() != code.staged.size()) {
        s.error = valueCountMessage(code.code, code.staged.size(), inputs.size());
        return s;
    }
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const sensor::StagedValue& v = code.staged[i];
        const Encoded e = encodeOne(v, inputs[i]);
        if (!e) {
            s.writes.clear();
            s.error = e.error;
            return s;
        }
        for (std::size_t k = 0; k < e.registers.size(); ++k)
            s.writes.push_back({static_cast<std::uint16_t>(v.firstRegister + k), e.registers[k]});
    }
    return s;
}
}  // namespace

Staged stageCommit(const sensor::CommitCode& code, std::span<const std::string> texts) {
    return stage(code, texts, [](const sensor::StagedValue& v, const std::string& text) {
        return encodeText(v.encoding, v.name, text);
    });
}

Staged stageCommit(const sensor::CommitCode& code, std::span<const double> values) {
    return stage(code, values, [](const sensor::StagedValue& v, double value) {
        return encodeNumber(v.encoding, v.name, value);
    });
}

}  // namespace talvex::device
