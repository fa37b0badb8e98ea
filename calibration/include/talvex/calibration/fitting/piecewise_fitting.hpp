// The piecewise-fitting dialog's logic ("分段拟合"): three quadratic segments of the reference
// value against the sensor's reading, between four breakpoints chosen among the sheet's cells.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "talvex/calibration/fitting/calibration_sheet.hpp"
#include "talvex/calibration/fitting/fit_fields.hpp"

namespace talvex::calibration::fitting {

struct Breakpoints {
    std::array<int, 4> cell{3, 7, 11, 16};  // P0..P3, cell indices 0..48
};

// Entry c of a point selector: the reference row's text of cell c (also the temperature-coefficient
// dialog's selectors).
std::vector<std::string> referenceSelectorEntries(const CalibrationSheet& sheet);

// "" when the breakpoints can be used: inside the selectors, strictly increasing, at most 20
// points from P0 to P3; else the message that refuses them.
std::string checkBreakpoints(const Breakpoints& bp);

// Rows "序号", "横坐标" (reading), "纵坐标" (reference) for cells P0..P3; breakpoint rows marked.
std::vector<PointRow> piecewisePointRows(const CalibrationSheet& sheet, int sheetRow, const Breakpoints& bp);

// The thirteen fields P0, A1, B1, C1, P1, ..., A3, B3, C3, P3, all empty.
Fields piecewiseFields();

struct PiecewiseFit {
    Fields fields;
    // "R平方值" as the dialog has always shown it: segment k's value covers segments 1..k.
    std::array<std::string, 3> cumulativeRSquared;
    // Each segment's own R².
    std::array<std::string, 3> segmentRSquared;
    std::array<ChartSeries, 3> charts;
};

// Checks the breakpoints, fits the three segments (one fit object for all three, so the R² sums
// accumulate) and renders the fields; a segment that cannot be fitted refuses the whole fit.
FitOutcome<PiecewiseFit> fitPiecewise(const CalibrationSheet& sheet, int sheetRow, const Breakpoints& bp);

}  // namespace talvex::calibration::fitting
