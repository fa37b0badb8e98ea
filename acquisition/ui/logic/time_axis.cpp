#include "talvex/ui/logic/time_axis.hpp"

#include <algorithm>
#include <cmath>

#include "talvex/ui/logic/ole_date.hpp"

namespace talvex::ui {

const std::array<TimeStep, 23> kTimeSteps = {{
    {1, TimeUnit::Second, 1, "%H:%M:%S"},       {5, TimeUnit::Second, 5, "%H:%M:%S"},
    {10, TimeUnit::Second, 10, "%H:%M:%S"},     {30, TimeUnit::Second, 30, "%H:%M:%S"},
    {60, TimeUnit::Minute, 1, "%H:%M"},         {120, TimeUnit::Minute, 2, "%H:%M"},
    {300, TimeUnit::Minute, 5, "%H:%M"},        {600, TimeUnit::Minute, 10, "%H:%M"},
    {900, TimeUnit::Minute, 15, "%H:%M"},       {1800, TimeUnit::Minute, 30, "%H:%M"},
    {3600, TimeUnit::Hour, 1, "%m-%d %H:%M"},   {7200, TimeUnit::Hour, 2, "%m-%d %H:%M"},
    {10800, TimeUnit::Hour, 3, "%m-%d %H:%M"},  {21600, TimeUnit::Hour, 6, "%m-%d %H:%M"},
    {43200, TimeUnit::Hour, 12, "%m-%d %H:%M"}, {86400, TimeUnit::Day, 1, "%m-%d"},
    {172800, TimeUnit::Day, 2, "%m-%d"},        {432000, TimeUnit::Day, 5, "%m-%d"},
    {864000, TimeUnit::Day, 10, "%m-%d"},       {2592000, TimeUnit::Month, 1, "%Y-%m"},
    {7776000, TimeUnit::Month, 3, "%Y-%m"},     {15552000, TimeUnit::Month, 6, "%Y-%m"},
    {31536000, TimeUnit::Year, 1, "%Y"},
}};

TimeStepChoice chooseTimeStep(double spanSeconds, int chartWidth) {
    TimeStepChoice choice;
    const double span = spanSeconds > 0 ? spanSeconds : 120.0;
    int labelWidth = 90;
    for (int pass = 0; pass < 2; ++pass) {
        const int labels = std::max(120, chartWidth - 170) / labelWidth;
        const double perStep = span / std::max(2, labels);
        const TimeStep* row = &kTimeSteps.back();
        for (const TimeStep& s : kTimeSteps) {
            if (s.upToSeconds >= perStep) {
                row = &s;
                break;
            }
        }
        choice.labels[pass] = labels;
        choice.perStep[pass] = perStep;
        choice.step = row;
        labelWidth = 7 * static_cast<int>(row->format.size()) + 16;
    }
    return choice;
}

namespace {

double unitSeconds(TimeUnit u) {
    switch (u) {
        case TimeUnit::Second:
            return 1;
        case TimeUnit::Minute:
            return 60;
        case TimeUnit::Hour:
            return 3600;
        default:
            return 86400;
    }
}

}  // namespace

std::vector<double> timeTicks(double from, double to, TimeUnit unit, int count, int maxTicks) {
    std::vector<double> ticks;
    if (!(to >= from) || count < 1 || maxTicks < 1) return ticks;
    if (unit == TimeUnit::Month || unit == TimeUnit::Year) {
        const int months = unit == TimeUnit::Year ? 12 * count : count;
        const CivilTime start = civilFromOleDate(from);
        long long index = static_cast<long long>(start.year) * 12 + (start.month - 1);
        index = (index + months - 1) / months * months;  // first boundary at or after the start month
        for (; static_cast<int>(ticks.size()) < maxTicks; index += months) {
            CivilTime t;
            t.year = static_cast<int>(index / 12);
            t.month = static_cast<int>(index % 12) + 1;
            t.day = 1;
            const double d = oleDateFromCivil(t);
            if (d > to) break;
            if (d >= from) ticks.push_back(d);
        }
        return ticks;
    }
    // Second to day steps are whole divisors of a day (or whole days), so counting from the automation
    // epoch's midnight aligns them with the local calendar.
    const double stepSeconds = unitSeconds(unit) * count;
    const double fromSec = std::round(from * 86400.0);
    const double toSec = to * 86400.0;
    double t = std::ceil(fromSec / stepSeconds) * stepSeconds;
    for (; t <= toSec + 1e-6 && static_cast<int>(ticks.size()) < maxTicks; t += stepSeconds)
        ticks.push_back(t / 86400.0);
    return ticks;
}

}  // namespace talvex::ui
