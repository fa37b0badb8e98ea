// The curve's time axis: which fixed step (unit x count) and label format a span and a chart width
// get, and where the ticks of such a step fall.
#pragma once

#include <array>
#include <string_view>
#include <vector>

namespace talvex::ui {

enum class TimeUnit { Second, Minute, Hour, Day, Month, Year };

struct TimeStep {
    double upToSeconds;  // the row applies while seconds per step <= this
    TimeUnit unit;
    int count;
    std::string_view format;
};

extern const std::array<TimeStep, 23> kTimeSteps;

struct TimeStepChoice {
    const TimeStep* step = nullptr;
    // What each of the two passes computed (labels that fit, seconds per step), for inspection.
    int labels[2] = {0, 0};
    double perStep[2] = {0, 0};
};

// Chooses the step for data spanning `spanSeconds` (<= 0 counts as 120) on a chart `chartWidth` pixels
// wide. The first pass assumes 90-pixel labels; the second uses the width of the first pass's format.
TimeStepChoice chooseTimeStep(double spanSeconds, int chartWidth);

// Ticks of a fixed step inside [from, to] (automation dates), aligned to whole units of the local
// calendar (minutes at :00, six-hour steps at 00/06/12/18, quarter months at Jan/Apr/Jul/Oct ...).
// At most maxTicks are returned.
std::vector<double> timeTicks(double from, double to, TimeUnit unit, int count, int maxTicks = 400);

}  // namespace talvex::ui
