#include "talvex/calibration/fitting/sheet_load.hpp"

namespace talvex::calibration::fitting {
namespace {

constexpr int kReferenceCells = 57;     // worksheet row 1, columns 2..58; the last one has no grid column
constexpr int kWorksheetDataRows = 57;  // worksheet rows 2..58; grid rows stop at 48
constexpr int kWorksheetDataColumns = 57;

}  // namespace

std::string CellSource::cellName(int row, int column) const {
    return gridColumnName(column - 1) + std::to_string(row);
}

FittingGrid loadCalibrationSheet(const CellSource& cells, CalibrationSheet& sheet) {
    FittingGrid grid(kGridRows, std::vector<std::string>(kGridColumns));
    for (int i = 0; i < kGridRows; ++i) grid[i][0] = std::to_string(i);

    for (int c = 0; c < kReferenceCells; ++c) {
        std::string text = cells.cellText(1, c + 2);
        if (c + 1 < kGridColumns) grid[0][c + 1] = text;
        sheet.setText(0, c, std::move(text));
        sheet.setCellName(0, c, cells.cellName(1, c + 2));
    }
    for (int w = 0; w < kWorksheetDataRows; ++w) {
        for (int k = 0; k < kWorksheetDataColumns; ++k) {
            std::string text = cells.cellText(w + 2, k + 1);
            if (w + 1 < kGridRows) grid[w + 1][k] = text;
            if (k < 1) continue;
            sheet.setText(w + 1, k - 1, std::move(text));
            sheet.setCellName(w + 1, k - 1, cells.cellName(w + 2, k + 1));
        }
    }
    return grid;
}

std::string gridColumnName(int column) {
    std::string name;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        name.insert(name.begin(), static_cast<char>('A' + (n - 1) % 26));
    return name;
}

}  // namespace talvex::calibration::fitting
