#include "talvex/ui/logic/curve_data.hpp"

#include <algorithm>

namespace talvex::ui {

std::vector<std::size_t> thinPositions(std::size_t n, std::size_t target) {
    std::vector<std::size_t> out;
    if (n == 0 || target == 0) return out;
    const std::size_t stride = n <= target ? 1 : (n + target - 1) / target;
    out.reserve(n / stride + 2);
    for (std::size_t i = 0; i < n; i += stride) out.push_back(i);
    if ((n - 1) % stride != 0) out.push_back(n - 1);
    return out;
}

void CurveData::clear() {
    time_.clear();
    h2_.clear();
    temp_.clear();
    handed_ = 0;
}

bool CurveData::append(double time, double h2, double temp) {
    if (time_.size() >= kCurveCapacity) return false;
    time_.push_back(time);
    h2_.push_back(h2);
    temp_.push_back(temp);
    return true;
}

bool CurveData::appendLive(double time, double h2, double temp) {
    append(time, h2, temp);
    if (time_.size() < kLiveHigh) return false;
    const auto drop = static_cast<std::ptrdiff_t>(time_.size() - kLiveKeep);
    for (auto* v : {&time_, &h2_, &temp_}) v->erase(v->begin(), v->begin() + drop);
    handed_ = 0;
    return true;
}

double CurveData::spanSeconds() const {
    if (time_.size() < 2) return 0;
    const auto [lo, hi] = std::minmax_element(time_.begin(), time_.end());
    return (*hi - *lo) * 86400.0;
}

}  // namespace talvex::ui
