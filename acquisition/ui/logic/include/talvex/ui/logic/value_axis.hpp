// Automatic range of a numeric chart axis: a "nice" step (1, 2 or 5 x 10^k) and the ticks it gives.
#pragma once

#include <vector>

namespace talvex::ui {

struct ValueAxisRange {
    double min = 0, max = 1, step = 0.2;
    std::vector<double> ticks() const;
};

// Covers [lo, hi] with at most about maxTicks intervals; a flat range is widened around its value.
ValueAxisRange niceRange(double lo, double hi, int maxTicks = 8);

}  // namespace talvex::ui
