#include "talvex/ui/logic/value_axis.hpp"

#include <algorithm>
#include <cmath>

namespace talvex::ui {

std::vector<double> ValueAxisRange::ticks() const {
    std::vector<double> out;
    if (!(step > 0)) return out;
    for (double v = min; v <= max + step * 1e-9 && out.size() < 1000; v += step)
        out.push_back(std::abs(v) < step * 1e-9 ? 0.0 : v);
    return out;
}

ValueAxisRange niceRange(double lo, double hi, int maxTicks) {
    if (!std::isfinite(lo) || !std::isfinite(hi)) return {};
    if (lo > hi) std::swap(lo, hi);
    if (hi - lo < 1e-12) {
        const double pad = std::max(1.0, std::abs(lo) * 0.05);
        lo -= pad;
        hi += pad;
    }
    const double raw = (hi - lo) / std::max(1, maxTicks);
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    double step = mag;
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        step = m * mag;
        if (step >= raw) break;
    }
    return {std::floor(lo / step) * step, std::ceil(hi / step) * step, step};
}

}  // namespace talvex::ui
