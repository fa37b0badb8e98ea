// The calibration sheet: 100 rows of 100 text cells that the fitting page fills from a workbook and
// the fitting dialogs read. Row 0 is the reference row; row r holds one sensor's readings. Each cell
// a load wrote also keeps the name of the worksheet cell it came from, so a refusal can point at it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace talvex::calibration::fitting {

inline constexpr int kSheetRows = 100;
inline constexpr int kSheetCells = 100;

class CalibrationSheet {
  public:
    CalibrationSheet() : cells_(kSheetRows * kSheetCells), names_(kSheetRows * kSheetCells) {}

    // "" outside the sheet.
    const std::string& text(int row, int cell) const;
    // Ignored outside the sheet.
    void setText(int row, int cell, std::string text);
    // The worksheet cell a load took the text from ("C7"); for a cell no load named, the name it
    // has in a worksheet used from A1 (row 0 is worksheet row 1, cell 0 column B).
    std::string cellName(int row, int cell) const;
    void setCellName(int row, int cell, std::string name);
    // The cell's text as a number (parseNumber).
    double value(int row, int cell) const { return parseNumber(text(row, cell)); }

    static double parseNumber(std::string_view text);

  private:
    std::vector<std::string> cells_, names_;
};

// "" when each (row, cell) of the list holds a decimal number (as an import takes it: blanks around
// it, a sign, digits, a point, an exponent); else the refusal that names the first one that does not.
// A fit must not take an empty or text cell as 0.
struct SheetCell {
    int row, cell;
};
std::string checkNumberCells(const CalibrationSheet& sheet, const std::vector<SheetCell>& cells);

// A number at the start of a text, as the C library's atof reads it (leading blanks, a sign,
// digits, a decimal point, an exponent), whatever the process locale; 0 when there is none.
double parseNumber(std::string_view text);
inline double CalibrationSheet::parseNumber(std::string_view text) {
    return fitting::parseNumber(text);
}

// printf("%.*f") with a decimal point whatever the process locale; "nan", "inf", "-inf" for the
// values that have no digits.
std::string formatFixed(double value, int decimals);

}  // namespace talvex::calibration::fitting
