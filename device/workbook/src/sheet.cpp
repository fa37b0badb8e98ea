// Used-range bookkeeping of the first worksheet.
#include "talvex/workbook/sheet.hpp"

#include <algorithm>

namespace talvex::workbook {

const std::string& Sheet::cellText(int row, int column) const {
    static const std::string empty;
    if (row < 1 || column < 1 || row > rows_ || column > columns_) return empty;
    auto it = cells_.find(key(firstRow_ + row - 1, firstColumn_ + column - 1));
    return it == cells_.end() ? empty : it->second;
}

std::string Sheet::cellName(int row, int column) const {
    return columnLetters(firstColumn_ + column - 1) + std::to_string(firstRow_ + row);
}

void Sheet::setCell(int absRow, int absColumn, std::string text) {
    if (text.empty() || absRow < 0 || absColumn < 0) return;
    widen(absRow, absColumn);
    cells_[key(absRow, absColumn)] = std::move(text);
}

void Sheet::markUsed(int absRow, int absColumn) {
    if (absRow >= 0 && absColumn >= 0) widen(absRow, absColumn);
}

void Sheet::widen(int absRow, int absColumn) {
    if (rows_ == 0) {
        firstRow_ = absRow;
        firstColumn_ = absColumn;
        rows_ = columns_ = 1;
    } else {
        int lastRow = std::max(firstRow_ + rows_ - 1, absRow);
        int lastColumn = std::max(firstColumn_ + columns_ - 1, absColumn);
        firstRow_ = std::min(firstRow_, absRow);
        firstColumn_ = std::min(firstColumn_, absColumn);
        rows_ = lastRow - firstRow_ + 1;
        columns_ = lastColumn - firstColumn_ + 1;
    }
}

std::string columnLetters(int absColumn) {
    std::string out;
    for (int n = absColumn + 1; n > 0; n = (n - 1) / 26)
        out.insert(out.begin(), static_cast<char>('A' + (n - 1) % 26));
    return out;
}

}  // namespace talvex::workbook
