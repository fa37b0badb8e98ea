#include "talvex/calibration/wizard/reference_value.hpp"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace talvex::calibration {

namespace {

std::string_view trimmed(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

}  // namespace

ReferenceWords dateWords(const CalendarDate& date) {
    return {static_cast<std::uint16_t>(date.month * 256 + date.day), static_cast<std::uint16_t>(date.year)};
}

CalendarDate localToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

std::optional<std::uint32_t> parseConcentration(std::string_view text) {
    text = trimmed(text);
    if (text.empty() || text.size() > 10) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > 2147483647u) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

std::optional<float> parseFloatReference(std::string_view text) {
    const std::string s(trimmed(text));
    if (s.empty()) return std::nullopt;
    // Plain decimal notation only: strtof would also take "nan", "inf" and hexadecimal floats.
    for (char c : s)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return std::nullopt;
    char* end = nullptr;
    const float v = std::strtof(s.c_str(), &end);
    // Overflow comes back as infinity; an underflow to a tiny value is still that value.
    if (end != s.c_str() + s.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::uint32_t laboratoryValue(std::uint32_t ppm) {
    return static_cast<std::uint32_t>(static_cast<double>(ppm) / 18.5);
}

ReferenceWords concentrationWords(std::uint32_t value) {
    return {static_cast<std::uint16_t>(value >> 16), static_cast<std::uint16_t>(value & 0xFFFF)};
}

ReferenceWords floatWords(float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    return {static_cast<std::uint16_t>(bits & 0xFFFF), static_cast<std::uint16_t>(bits >> 16)};
}

std::optional<ParsedReference> parseReference(CalibrationType type, std::string_view text,
                                              std::string_view* refusalKey) {
    ParsedReference out;
    if (typeInfo(type).encoding == ValueEncoding::FloatLowFirst) {
        const auto v = parseFloatReference(text);
        if (!v) {
            if (refusalKey) *refusalKey = "IDS_Tab_Cal_RefNotNumber";
            return std::nullopt;
        }
        if (type == CalibrationType::Pressure &&
            !(*v >= kMinPressureReference && *v <= kMaxPressureReference)) {
            if (refusalKey) *refusalKey = "IDS_Tab_Cal_RefPressureRange";
            return std::nullopt;
        }
        out.words = floatWords(*v);
        return out;
    }
    const auto ppm = parseConcentration(text);
    if (!ppm) {
        if (refusalKey) *refusalKey = "IDS_Tab_Cal_RefNotWhole";
        return std::nullopt;
    }
    out.concentration = *ppm;
    out.words = concentrationWords(type == CalibrationType::InOilLab ? laboratoryValue(*ppm) : *ppm);
    return out;
}

std::string formatReading(ValueEncoding encoding, std::uint16_t first, std::uint16_t second) {
    char text[64];
    if (encoding == ValueEncoding::Int32HighFirst) {
        const auto v = static_cast<std::int32_t>(static_cast<std::uint32_t>(first) << 16 | second);
        std::snprintf(text, sizeof text, "%d", v);
    } else {
        const auto v = std::bit_cast<float>(static_cast<std::uint32_t>(second) << 16 | first);
        std::snprintf(text, sizeof text, "%.2f", static_cast<double>(v));
    }
    return text;
}

}  // namespace talvex::calibration
