// Widths of the history list's seven columns after a read: each column as wide as its heading and
// its widest text among the first rows (plus a margin, within a cap), then stretched or shrunk to
// the list's width, the last column taking what is left.
#pragma once

#include <vector>

namespace talvex::ui {

inline constexpr int kHistoryMeasuredRows = 200;

// headingWidths: each column's automatic width with its heading; widestTexts: the widest text of
// the first kHistoryMeasuredRows records; available: the list's client width less a vertical bar.
std::vector<int> historyColumnWidths(const std::vector<int>& headingWidths,
                                     const std::vector<int>& widestTexts, int available);

}  // namespace talvex::ui
