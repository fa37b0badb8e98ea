// Number format codes rendered the way a spreadsheet shows them, for the subset production and
// calibration workbooks use; anything more exotic falls back to General rather than guessing.
#include "talvex/workbook/display_text.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

namespace talvex::workbook {
namespace {

// Fixed-point text rounded the way a spreadsheet rounds: the value is first taken to fifteen
// significant digits, then rounded half away from zero in decimal (so 1.005 shows as 1.01, which
// binary rounding would print as 1.00).
std::string printFixed(double v, int decimals) {
    if (v < 0) {
        std::string m = printFixed(-v, decimals);
        return m.find_first_of("123456789") == std::string::npos ? m : "-" + m;
    }
    std::string digits;
    int exponent = 0;  // v = 0.d1d2d3... x 10^exponent
    if (v != 0) {
        std::array<char, 32> buf{};
        std::snprintf(buf.data(), buf.size(), "%.14e", v);
        std::string_view t = buf.data();
        digits = std::string(1, t[0]) + std::string(t.substr(2, 14));
        exponent = std::atoi(buf.data() + t.find('e') + 1) + 1;
    }
    int keep = exponent + decimals;  // significant digits that survive the rounding
    if (keep < 0 || digits.empty()) {
        digits.clear();
    } else if (keep < static_cast<int>(digits.size())) {
        bool up = digits[keep] >= '5';
        digits.resize(keep);
        for (int i = keep - 1; up && i >= 0; --i) {
            if (digits[i] == '9') {
                digits[i] = '0';
            } else {
                ++digits[i];
                up = false;
            }
        }
        if (up) {
            digits.insert(digits.begin(), '1');
            ++exponent;
        }
    }
    // Lay the digits out around the decimal point.
    std::string intPart, frac;
    for (int pos = 0; pos < std::max(exponent, 0); ++pos)
        intPart += pos < static_cast<int>(digits.size()) ? digits[pos] : '0';
    if (intPart.empty()) intPart = "0";
    for (int i = 0; i < decimals; ++i) {
        int pos = exponent + i;
        frac += (pos >= 0 && pos < static_cast<int>(digits.size())) ? digits[pos] : '0';
    }
    return decimals > 0 ? intPart + "." + frac : intPart;
}

void stripTrailingZeros(std::string& s) {
    if (s.find('.') == std::string::npos) return;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
}

// "1.23457E+11": five mantissa decimals at most, a signed exponent of at least two digits.
std::string generalScientific(double v) {
    int exponent = static_cast<int>(std::floor(std::log10(std::fabs(v))));
    double mantissa = v / std::pow(10.0, exponent);
    std::string m = printFixed(mantissa, 5);
    if (m.find("10.") == 0 || m.find("-10.") == 0) {  // 9.999996 rounded up to 10
        ++exponent;
        m = printFixed(v / std::pow(10.0, exponent), 5);
    }
    stripTrailingZeros(m);
    std::array<char, 16> e{};
    std::snprintf(e.data(), e.size(), "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return m + e.data();
}

// A section of a format code, reduced to what decides the rendering.
struct Section {
    bool general = false;  // "General", "@", or something this renderer does not do
    bool scientific = false;
    bool grouping = false;
    bool decimalPoint = false;
    int percent = 0;
    int thousandsScale = 0;
    int intPlaceholders = 0, intZeros = 0;
    bool intHasHash = false;
    int fracPlaceholders = 0, fracZeros = 0;
    int expZeros = 0;
    bool expPlus = false;
    std::string prefix, suffix;  // literal text before the first and after the first placeholder
    bool hasPlaceholder = false;
};

bool isDateLetter(char c) {
    switch (std::tolower(static_cast<unsigned char>(c))) {
        case 'y':
        case 'm':
        case 'd':
        case 'h':
        case 's':
        case 'a':
        case 'b':
        case 'g':
            return true;
        default:
            return false;
    }
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

Section parseSection(std::string_view code) {
    Section s;
    auto trimmed = code;
    while (!trimmed.empty() && trimmed.front() == ' ') trimmed.remove_prefix(1);
    if (trimmed.empty() || equalsNoCase(trimmed, "General")) {
        s.general = true;
        return s;
    }
    enum class Part { Int, Frac, Exp } part = Part::Int;
    auto literal = [&](std::string_view text) { (s.hasPlaceholder ? s.suffix : s.prefix).append(text); };
    for (size_t i = 0; i < code.size(); ++i) {
        char c = code[i];
        switch (c) {
            case '"': {
                size_t end = code.find('"', i + 1);
                if (end == std::string_view::npos) end = code.size();
                literal(code.substr(i + 1, end - i - 1));
                i = end;
                break;
            }
            case '\\':
                if (i + 1 < code.size()) literal(code.substr(++i, 1));
                break;
            case '_':  // a space as wide as the next character
                ++i;
                literal(" ");
                break;
            case '*':  // fill with the next character: no width here
                ++i;
                break;
            case '[': {
                size_t end = code.find(']', i);
                if (end == std::string_view::npos) end = code.size();
                std::string_view inner = code.substr(i + 1, end - i - 1);
                if (!inner.empty() && inner.front() == '$') {  // currency / locale: [$€-407]
                    std::string_view sym =
                        inner.substr(1, inner.find('-') == std::string_view::npos ? std::string_view::npos
                                                                                  : inner.find('-') - 1);
                    literal(sym);
                } else if (!inner.empty() && (inner.front() == '<' || inner.front() == '>' ||
                                              inner.front() == '=' || isDateLetter(inner.front()))) {
                    s.general = true;  // conditions and elapsed times
                }
                i = end;
                break;
            }
            case '0':
            case '#':
            case '?':
                s.hasPlaceholder = true;
                if (part == Part::Int) {
                    ++s.intPlaceholders;
                    if (c == '0') ++s.intZeros;
                    if (c == '#') s.intHasHash = true;
                    if (i + 1 < code.size() && code[i + 1] == ',' && i + 2 < code.size() &&
                        (code[i + 2] == '0' || code[i + 2] == '#' || code[i + 2] == '?')) {
                        s.grouping = true;
                        ++i;
                    }
                } else if (part == Part::Frac) {
                    ++s.fracPlaceholders;
                    if (c == '0') ++s.fracZeros;
                } else {
                    ++s.expZeros;
                }
                break;
            case '.':
                if (part == Part::Int && !s.decimalPoint) {
                    s.decimalPoint = true;
                    s.hasPlaceholder = true;
                    part = Part::Frac;
                } else {
                    literal(".");
                }
                break;
            case ',':
                if (s.hasPlaceholder && part != Part::Exp)
                    ++s.thousandsScale;
                else
                    literal(",");
                break;
            case '%':
                ++s.percent;
                literal("%");
                break;
            case 'E':
            case 'e':
                if (i + 1 < code.size() && (code[i + 1] == '+' || code[i + 1] == '-') && s.hasPlaceholder) {
                    s.scientific = true;
                    s.expPlus = code[i + 1] == '+';
                    part = Part::Exp;
                    ++i;
                } else {
                    s.general = true;
                }
                break;
            case '@':
            case '/':
                s.general = true;
                break;
            default:
                if (std::isalpha(static_cast<unsigned char>(c)) && isDateLetter(c))
                    s.general = true;
                else
                    literal(code.substr(i, 1));
        }
    }
    return s;
}

std::vector<std::string_view> splitSections(std::string_view code) {
    std::vector<std::string_view> out;
    size_t start = 0;
    bool quoted = false;
    for (size_t i = 0; i < code.size(); ++i) {
        char c = code[i];
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == '\\')
            ++i;
        else if (!quoted && c == ';') {
            out.push_back(code.substr(start, i - start));
            start = i + 1;
        }
    }
    out.push_back(code.substr(start));
    return out;
}

std::string groupThousands(const std::string& digits) {
    std::string out;
    int n = static_cast<int>(digits.size());
    for (int i = 0; i < n; ++i) {
        out += digits[i];
        if ((n - i - 1) % 3 == 0 && i != n - 1) out += ',';
    }
    return out;
}

bool allZeroDigits(const std::string& s) {
    for (char c : s)
        if (c >= '1' && c <= '9') return false;
    return true;
}

std::string renderFixed(const Section& s, double magnitude) {
    std::string text = printFixed(magnitude, s.fracPlaceholders);
    std::string intPart = text.substr(0, text.find('.'));
    std::string frac = s.fracPlaceholders > 0 ? text.substr(text.find('.') + 1) : "";
    while (static_cast<int>(frac.size()) > s.fracZeros && !frac.empty() && frac.back() == '0')
        frac.pop_back();
    if (intPart == "0" && s.intZeros == 0) intPart.clear();
    while (static_cast<int>(intPart.size()) < s.intZeros) intPart.insert(0, "0");
    if (s.grouping) intPart = groupThousands(intPart);
    return s.decimalPoint ? intPart + "." + frac : intPart;
}

std::string renderScientific(const Section& s, double magnitude) {
    int intDigits = std::max(1, s.intPlaceholders);
    int step = (intDigits > 1 && s.intHasHash) ? intDigits : 1;
    int exponent = 0;
    if (magnitude != 0) {
        int e = static_cast<int>(std::floor(std::log10(magnitude)));
        exponent = step > 1 ? static_cast<int>(std::floor(static_cast<double>(e) / step)) * step
                            : e - (intDigits - 1);
    }
    std::string mantissa;
    for (int attempt = 0; attempt < 2; ++attempt) {
        mantissa = printFixed(magnitude / std::pow(10.0, exponent), s.fracPlaceholders);
        size_t intLen = mantissa.find('.') == std::string::npos ? mantissa.size() : mantissa.find('.');
        if (magnitude == 0 || static_cast<int>(intLen) <= intDigits) break;
        exponent += step;  // rounding carried into a new digit (9.996 -> 10.00)
    }
    std::array<char, 16> e{};
    const char* sign = exponent < 0 ? "-" : (s.expPlus ? "+" : "");
    std::snprintf(e.data(), e.size(), "E%s%0*d", sign, std::clamp(s.expZeros, 1, 4),
                  std::abs(exponent) % 100000);
    return mantissa + e.data();
}

}  // namespace

std::string generalText(double value) {
    if (std::isnan(value) || std::isinf(value)) return "#NUM!";
    if (value == 0) return "0";
    double a = std::fabs(value);
    if (a >= 1e11 || a < 1e-4) return generalScientific(value);
    int intDigits = a < 1 ? 1 : static_cast<int>(std::floor(std::log10(a))) + 1;
    std::string s = printFixed(value, std::max(0, 10 - intDigits));
    stripTrailingZeros(s);
    return s == "-0" ? "0" : s;
}

std::string displayText(double value, std::string_view formatCode) {
    if (std::isnan(value) || std::isinf(value)) return "#NUM!";
    auto sections = splitSections(formatCode);
    std::string_view code = sections[0];
    bool ownSign = false;  // the chosen section draws the sign itself (or hides it)
    if (value < 0 && sections.size() >= 2) {
        code = sections[1];
        ownSign = true;
    } else if (value == 0 && sections.size() >= 3) {
        code = sections[2];
    }
    Section s = parseSection(code);
    if (s.general) return generalText(ownSign ? std::fabs(value) : value);
    if (!s.hasPlaceholder) return s.prefix + s.suffix;

    double magnitude = std::fabs(value) * std::pow(100.0, s.percent) / std::pow(1000.0, s.thousandsScale);
    std::string number = s.scientific ? renderScientific(s, magnitude) : renderFixed(s, magnitude);
    bool negative = value < 0 && !ownSign && !allZeroDigits(number);
    return (negative ? "-" : "") + s.prefix + number + s.suffix;
}

std::string_view builtinFormatCode(int id) {
    switch (id) {
        case 1:
            return "0";
        case 2:
            return "0.00";
        case 3:
            return "#,##0";
        case 4:
            return "#,##0.00";
        case 9:
            return "0%";
        case 10:
            return "0.00%";
        case 11:
            return "0.00E+00";
        case 37:
            return "#,##0 ;(#,##0)";
        case 38:
            return "#,##0 ;[Red](#,##0)";
        case 39:
            return "#,##0.00;(#,##0.00)";
        case 40:
            return "#,##0.00;[Red](#,##0.00)";
        case 48:
            return "##0.0E+0";
        case 49:
            return "@";
        default:
            return "General";
    }
}

}  // namespace talvex::workbook
