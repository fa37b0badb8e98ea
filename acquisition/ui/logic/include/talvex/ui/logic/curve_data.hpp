// The curve page's point data: the thinning of a stored history and the live buffer with its
// half-drop rule. Single-threaded (the window's thread); the chart only ever gets copies.
#pragma once

#include <cstddef>
#include <vector>

namespace talvex::ui {

inline constexpr std::size_t kCurveCapacity = 288000;
inline constexpr std::size_t kLoadTarget = 2000;
inline constexpr std::size_t kLiveHigh = 5000;  // reaching this many points ...
inline constexpr std::size_t kLiveKeep = 2500;  // ... keeps the newest this many

// Positions 0, c, 2c, ... below n, with c = ceil(n / target) (1 up to target), plus the last
// position when the stride misses it: at most target + 1 positions of any history.
std::vector<std::size_t> thinPositions(std::size_t n, std::size_t target = kLoadTarget);

class CurveData {
  public:
    void clear();
    // Appends one point unless the capacity is reached; false when dropped.
    bool append(double time, double h2, double temp);
    // Appends a live point, then applies the half-drop rule. True when the rule fired: the chart must
    // forget its points and take all held ones again.
    bool appendLive(double time, double h2, double temp);

    std::size_t size() const { return time_.size(); }
    std::size_t handed() const { return handed_; }
    void markAllHanded() { handed_ = time_.size(); }

    const std::vector<double>& time() const { return time_; }
    const std::vector<double>& h2() const { return h2_; }
    const std::vector<double>& temp() const { return temp_; }
    // Span of the held times in seconds; 0 with fewer than two points.
    double spanSeconds() const;

  private:
    std::vector<double> time_, h2_, temp_;
    std::size_t handed_ = 0;
};

}  // namespace talvex::ui
