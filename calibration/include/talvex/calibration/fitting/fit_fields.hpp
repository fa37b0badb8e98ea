// Pieces the three fitting dialogs share: their text fields, the rows of their point lists, the
// series their charts draw, and the texts of refusals.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "talvex/calibration/fitting/quadratic_fit.hpp"

namespace talvex::calibration::fitting {

inline constexpr int kSelectorEntries = 49;  // point selectors list cells 0..48
inline constexpr int kMaxPoints = 20;

struct Field {
    std::string name;  // as the dialog labels it (P0, A1, ST_A, MID_20, ...)
    std::string text;  // as the dialog shows it
};
using Fields = std::vector<Field>;

// The text of a field by name; nullptr when the set has none of that name.
const std::string* fieldText(const Fields& fields, std::string_view name);
bool setFieldText(Fields& fields, std::string_view name, std::string text);

// One row of a point list: its column texts and whether it is a marked (breakpoint, reference)
// row, drawn white on blue.
struct PointRow {
    std::vector<std::string> columns;
    bool marked = false;
};

// What a chart draws for one fit: the points, and the curve through the same abscissae.
struct ChartSeries {
    std::vector<double> x, y, fitted;
};

// The message for a refused fit (language table text).
std::string fitRefusalText(FitStatus status);

// Result of a dialog's fit: fields and charts, or a refusal to show instead (nothing shown).
template <class T>
struct FitOutcome {
    std::optional<T> result;
    std::string refusal;
};

}  // namespace talvex::calibration::fitting
