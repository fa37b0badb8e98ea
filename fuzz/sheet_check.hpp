// What every workbook read that succeeded must give, whatever the format: cells inside the used range,
// the range within the limits, texts in UTF-8 (they are shown and compared as such).
#pragma once

#include <cstdint>

#include "fuzz_check.hpp"
#include "talvex/text_codec.hpp"
#include "talvex/workbook/reader.hpp"

// Small enough that a run stays quick, large enough that real sheets fit.
inline talvex::workbook::ReadLimits fuzzLimits() {
    talvex::workbook::ReadLimits limits;
    limits.maxFileBytes = 1u << 20;
    limits.maxUnpackedBytes = 16u << 20;
    limits.maxRows = 5000;
    limits.maxColumns = 256;
    limits.maxCells = 50000;
    return limits;
}

inline void checkSheet(const talvex::workbook::ReadResult& result,
                       const talvex::workbook::ReadLimits& limits) {
    if (!result.ok()) {
        FUZZ_CHECK(result.sheet.rowCount() == 0 && result.sheet.columnCount() == 0);
        return;
    }
    const auto& sheet = result.sheet;
    FUZZ_CHECK(sheet.rowCount() >= 0 && sheet.columnCount() >= 0);
    FUZZ_CHECK(sheet.firstRow() + sheet.rowCount() <= limits.maxRows);
    FUZZ_CHECK(sheet.firstColumn() + sheet.columnCount() <= limits.maxColumns);
    std::uint64_t cells = 0;
    sheet.forEachCell([&](int row, int column, const std::string& text) {
        ++cells;
        FUZZ_CHECK(row >= sheet.firstRow() && row < sheet.firstRow() + sheet.rowCount());
        FUZZ_CHECK(column >= sheet.firstColumn() && column < sheet.firstColumn() + sheet.columnCount());
        FUZZ_CHECK(!text.empty() && talvex::isValidUtf8(text));
        FUZZ_CHECK(sheet.cellText(row - sheet.firstRow() + 1, column - sheet.firstColumn() + 1) == text);
    });
    FUZZ_CHECK(cells <= limits.maxCells);
}
