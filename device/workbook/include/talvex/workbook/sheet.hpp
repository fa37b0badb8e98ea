// The first worksheet of a workbook as the texts a spreadsheet shows, addressed within its used range:
// the top-left used cell is row 1, column 1. A cell is "used" when it holds a value (a formatted but
// empty cell does not widen the range).
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

namespace talvex::workbook {

class Sheet {
  public:
    int rowCount() const { return rows_; }
    int columnCount() const { return columns_; }
    // The displayed text; "" for an empty cell or one outside the used range (row, column from 1).
    const std::string& cellText(int row, int column) const;
    // The cell's name in the file ("C7"), for messages that point the user at a cell.
    std::string cellName(int row, int column) const;

    // Building (readers): absolute zero-based positions, in any order. Empty texts are ignored.
    void setCell(int absRow, int absColumn, std::string text);

  private:
    static std::uint64_t key(int absRow, int absColumn) {
        return (static_cast<std::uint64_t>(absRow) << 32) | static_cast<std::uint32_t>(absColumn);
    }
    std::unordered_map<std::uint64_t, std::string> cells_;
    int firstRow_ = 0, firstColumn_ = 0;  // absolute, zero-based
    int rows_ = 0, columns_ = 0;
};

// "A", "Z", "AA", ... for a zero-based column.
std::string columnLetters(int absColumn);

}  // namespace talvex::workbook
