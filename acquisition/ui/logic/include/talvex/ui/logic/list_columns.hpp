// Column sets of the acquisition list: heading key, minimum width and which record field a cell shows.
#pragma once

#include <string_view>
#include <vector>

#include "talvex/sensor_model.hpp"

namespace talvex::ui {

// Cell sources: the nine record fields in their stored order, plus two derived ones.
enum class CellSource {
    SensorId,
    Timestamp,
    H2DG,
    H2AG,
    Temp,
    DayRoc,
    PR,
    WT,
    RunStatus,
    NodeNumber,  // wireless mode: the node a record came from (see docs/pages.md)
    Blank,       // nothing to show under this heading
};

struct ColumnSpec {
    std::string_view key;
    int minWidth;
    CellSource source;
};

enum class ColumnSet {
    Model,     // the model's own list, at start and after a language switch
    Standard,  // after the wireless box is cleared: both hydrogen fields side by side
    Wireless,  // while the wireless box is on
};

std::vector<ColumnSpec> listColumns(SensorModel model, ColumnSet set);

// Widths from measured text widths (the widest of heading and the first rows, per column): each
// plus 14 px, at most 260; scaled to fit `available` (not below 40) when together wider.
std::vector<int> fitColumnWidths(const std::vector<int>& measured, int available);

// Spreads the space left over across all columns but the first; the last column ends exactly at the
// right edge. Columns together wider than `available` are scaled down (not below 40).
std::vector<int> fillColumnWidths(std::vector<int> widths, int available);

}  // namespace talvex::ui
