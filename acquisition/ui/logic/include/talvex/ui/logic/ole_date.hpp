// Automation dates (days since 1899-12-30, the fraction is the time of day) on the local wall clock.
// Pure calendar arithmetic: no time zone is involved once a wall-clock time is known.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace talvex::ui {

struct CivilTime {
    int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
};

bool isValidCivilDate(int year, int month, int day);
double oleDateFromCivil(const CivilTime& t);
// Rounded to the nearest second.
CivilTime civilFromOleDate(double oleDate);

// A record timestamp "YYYY-MM-DD HH:MM:SS" as an automation date; nullopt unless year >= 1900,
// month 1..12, hour 0..23, minute and second 0..59 and the date exists.
std::optional<double> parseRecordTimestamp(std::string_view text);

// The current local time, whole seconds, as an automation date.
double oleDateNow();

// strftime-like formatting of the fields %Y %m %d %H %M %S and %%.
std::string formatOleDate(double oleDate, std::string_view format);

}  // namespace talvex::ui
