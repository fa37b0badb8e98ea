// The first worksheet of a workbook as the texts a spreadsheet shows, addressed within its used range:
// the top-left used cell is row 1, column 1. A cell is "used" when it holds a value or carries a
// format of its own, as a spreadsheet application counts its used range: a formatted empty cell
// above or left of the data moves the data's addresses.
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
    // A formatted cell without a value: it widens the used range and reads as "".
    void markUsed(int absRow, int absColumn);

    // The used range's top-left cell, absolute and zero-based (0, 0 for an empty sheet).
    int firstRow() const { return firstRow_; }
    int firstColumn() const { return firstColumn_; }
    // Every cell with a text, in no particular order: f(absRow, absColumn, text).
    template <class F>
    void forEachCell(F&& f) const {
        for (const auto& [k, text] : cells_)
            f(static_cast<int>(k >> 32), static_cast<int>(static_cast<std::uint32_t>(k)), text);
    }

  private:
    void widen(int absRow, int absColumn);
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
