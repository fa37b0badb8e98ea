#include "talvex/calibration/fitting/calibration_sheet.hpp"

#include <charconv>
#include <cmath>

#include "talvex/calibration/fitting/sheet_load.hpp"
#include "talvex/device/encodings.hpp"
#include "talvex/language.hpp"

namespace talvex::calibration::fitting {
namespace {

bool inside(int row, int cell) {
    return row >= 0 && row < kSheetRows && cell >= 0 && cell < kSheetCells;
}

}  // namespace

const std::string& CalibrationSheet::text(int row, int cell) const {
    static const std::string empty;
    return inside(row, cell) ? cells_[static_cast<std::size_t>(row * kSheetCells + cell)] : empty;
}

void CalibrationSheet::setText(int row, int cell, std::string text) {
    if (inside(row, cell)) cells_[static_cast<std::size_t>(row * kSheetCells + cell)] = std::move(text);
}

std::string CalibrationSheet::cellName(int row, int cell) const {
    if (inside(row, cell) && !names_[static_cast<std::size_t>(row * kSheetCells + cell)].empty())
        return names_[static_cast<std::size_t>(row * kSheetCells + cell)];
    return gridColumnName(cell + 1) + std::to_string(row + 1);
}

void CalibrationSheet::setCellName(int row, int cell, std::string name) {
    if (inside(row, cell)) names_[static_cast<std::size_t>(row * kSheetCells + cell)] = std::move(name);
}

std::string checkNumberCells(const CalibrationSheet& sheet, const std::vector<SheetCell>& cells) {
    for (const SheetCell& c : cells) {
        const std::string& text = sheet.text(c.row, c.cell);
        if (text.find_first_not_of(" \t\r\n\v\f") == std::string::npos)
            return GetTextWith("IDS_Fit_EmptyCell", {sheet.cellName(c.row, c.cell)});
        if (!device::parseDecimal({}, text))
            return GetTextWith("IDS_Fit_NotANumber", {sheet.cellName(c.row, c.cell), text});
    }
    return {};
}

double parseNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    double value = 0.0;
    // from_chars takes the longest prefix that is a number, as strtod does, but never the locale's
    // decimal comma; it reads no sign of its own after the one taken above.
    if (i < text.size() && text[i] != '-' && text[i] != '+') {
        const auto result = std::from_chars(text.data() + i, text.data() + text.size(), value);
        if (result.ec == std::errc::result_out_of_range) {
            // strtod gives ±HUGE_VAL on overflow and 0 on underflow; from_chars leaves value alone.
            const std::string_view number(text.data() + i,
                                          static_cast<std::size_t>(result.ptr - text.data()) - i);
            const std::size_t e = number.find_first_of("eE");
            value = (e != std::string_view::npos && e + 1 < number.size() && number[e + 1] == '-') ? 0.0
                                                                                                   : HUGE_VAL;
        } else if (result.ec != std::errc()) {
            value = 0.0;
        }
    }
    return negative ? -value : value;
}

std::string formatFixed(double value, int decimals) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

}  // namespace talvex::calibration::fitting
