#include "talvex/ui/logic/ole_date.hpp"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace talvex::ui {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
long long daysFromCivil(long long y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

const long long kOleEpochDays = daysFromCivil(1899, 12, 30);

}  // namespace

bool isValidCivilDate(int year, int month, int day) {
    if (month < 1 || month > 12 || day < 1) return false;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int last = month == 2 && leap ? 29 : kDays[month - 1];
    return day <= last;
}

double oleDateFromCivil(const CivilTime& t) {
    const long long days = daysFromCivil(t.year, t.month, t.day) - kOleEpochDays;
    const int secs = t.hour * 3600 + t.minute * 60 + t.second;
    return static_cast<double>(days) + secs / 86400.0;
}

CivilTime civilFromOleDate(double oleDate) {
    const long long total = std::llround(oleDate * 86400.0);
    long long days = total / 86400;
    long long secs = total % 86400;
    if (secs < 0) {
        secs += 86400;
        days -= 1;
    }
    CivilTime t;
    civilFromDays(days + kOleEpochDays, t.year, t.month, t.day);
    t.hour = static_cast<int>(secs / 3600);
    t.minute = static_cast<int>(secs / 60 % 60);
    t.second = static_cast<int>(secs % 60);
    return t;
}

std::optional<double> parseRecordTimestamp(std::string_view text) {
    char buf[64];
    if (text.size() >= sizeof buf) return std::nullopt;
    text.copy(buf, text.size());
    buf[text.size()] = '\0';
    CivilTime t;
    if (std::sscanf(buf, "%4d-%2d-%2d %2d:%2d:%2d", &t.year, &t.month, &t.day, &t.hour, &t.minute,
                    &t.second) != 6)
        return std::nullopt;
    if (t.year < 1900 || t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 ||
        t.second > 59 || !isValidCivilDate(t.year, t.month, t.day))
        return std::nullopt;
    return oleDateFromCivil(t);
}

double oleDateNow() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return oleDateFromCivil({tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec});
}

std::string formatOleDate(double oleDate, std::string_view format) {
    const CivilTime t = civilFromOleDate(oleDate);
    std::string out;
    char num[16];
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 == format.size()) {
            out += format[i];
            continue;
        }
        const char f = format[++i];
        switch (f) {
            case 'Y':
                std::snprintf(num, sizeof num, "%04d", t.year);
                break;
            case 'm':
                std::snprintf(num, sizeof num, "%02d", t.month);
                break;
            case 'd':
                std::snprintf(num, sizeof num, "%02d", t.day);
                break;
            case 'H':
                std::snprintf(num, sizeof num, "%02d", t.hour);
                break;
            case 'M':
                std::snprintf(num, sizeof num, "%02d", t.minute);
                break;
            case 'S':
                std::snprintf(num, sizeof num, "%02d", t.second);
                break;
            case '%':
                std::snprintf(num, sizeof num, "%%");
                break;
            default:
                std::snprintf(num, sizeof num, "%%%c", f);
                break;
        }
        out += num;
    }
    return out;
}

}  // namespace talvex::ui
