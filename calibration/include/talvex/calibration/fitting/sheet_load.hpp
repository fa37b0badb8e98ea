// How a calibration workbook lands in the fitting page's grid and in the calibration sheet: the
// reference row from worksheet row 1 (columns B on), the sensors' rows from worksheet rows 2 to 58
// with the product ID in column A. Cells are addressed as the workbook reader counts them: row and
// column from 1 within the worksheet's used range.
#pragma once

#include <string>
#include <vector>

#include "talvex/calibration/fitting/calibration_sheet.hpp"

namespace talvex::calibration::fitting {

// Displayed text of a worksheet cell; "" for an empty cell or one outside the used range.
class CellSource {
  public:
    virtual ~CellSource() = default;
    virtual std::string cellText(int row, int column) const = 0;
    // The cell's name in the file, for refusals that point at it; "B2" for (2, 2) of a worksheet
    // used from A1.
    virtual std::string cellName(int row, int column) const;
};

inline constexpr int kGridRows = 49;     // grid rows 0..48 (row 0: the reference row)
inline constexpr int kGridColumns = 57;  // "A" .. "BE"

// The grid's texts, kGridRows rows of kGridColumns texts. Column 0 of a sensor's row is its
// product ID; row 0 starts with "0".
using FittingGrid = std::vector<std::vector<std::string>>;

// Fills the grid and writes the sheet cells a load writes (row 0 cells 0..56, rows 1..57 cells
// 0..55); every other sheet cell keeps its text.
FittingGrid loadCalibrationSheet(const CellSource& cells, CalibrationSheet& sheet);

// The spreadsheet's letters of a grid column: 0 "A", 25 "Z", 26 "AA", 56 "BE".
std::string gridColumnName(int column);

}  // namespace talvex::calibration::fitting
