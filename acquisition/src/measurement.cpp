// Formatting of measurement texts and the compact stored form.
#include "talvex/acquisition/measurement.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace talvex::acquisition {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's civil algorithms).
std::int64_t daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = static_cast<int>(y - era * 400);
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

LocalTime civilFromSeconds(std::uint32_t s) {
    std::int64_t z = s / 86400;
    const int rem = static_cast<int>(s % 86400);
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int doe = static_cast<int>(z - era * 146097);
    const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int mp = (5 * doy + 2) / 153;
    LocalTime t;
    t.day = doy - (153 * mp + 2) / 5 + 1;
    t.month = mp < 10 ? mp + 3 : mp - 9;
    t.year = static_cast<int>(yoe + era * 400) + (t.month <= 2);
    t.hour = rem / 3600;
    t.minute = rem / 60 % 60;
    t.second = rem % 60;
    return t;
}

// Packs a time that formats canonically; false when it cannot be kept in 32 bits exactly.
bool packTime(const LocalTime& t, std::uint32_t& out) {
    if (t.year < 1970 || t.year > 2105 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 ||
        t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 59)
        return false;
    const std::int64_t s =
        daysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
    if (s < 0 || s > std::numeric_limits<std::uint32_t>::max()) return false;
    out = static_cast<std::uint32_t>(s);
    const LocalTime back = civilFromSeconds(out);  // rejects dates such as 02-30
    return back.year == t.year && back.month == t.month && back.day == t.day;
}

std::string printf0(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.0f", v);
    return buf;
}
std::string printf1(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return buf;
}
std::string printHex(unsigned v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", v);
    return buf;
}

// Parsers of canonical texts: each succeeds only when formatting the result gives the text back.
// The common forms are checked arithmetically (the start-up load parses a million records); anything
// unusual goes through the slow check that formats and compares.

// Decimal integer as "%d"/"%.0f" print it: optional '-', no leading zeros, not "-0".
bool canonicalInteger(const std::string& s, std::int64_t& v) {
    std::size_t i = s.empty() || s[0] != '-' ? 0 : 1;
    const std::size_t digits = s.size() - i;
    if (digits == 0 || digits > 18 || (s[i] == '0' && digits > 1)) return false;
    std::int64_t r = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        r = r * 10 + (s[i] - '0');
    }
    if (s[0] == '-' && r == 0) return false;
    v = s[0] == '-' ? -r : r;
    return true;
}

bool slowParseFloat(const std::string& s, bool oneDecimal, float& out) {
    if (s.empty() || s.size() > 48) return false;
    char* end = nullptr;
    out = std::strtof(s.c_str(), &end);
    if (end != s.c_str() + s.size()) return false;
    return (oneDecimal ? printf1(out) : printf0(out)) == s;
}

bool parseFloat(const std::string& s, bool oneDecimal, float& out) {
    if (!oneDecimal) {
        std::int64_t v = 0;
        // An integer a float holds exactly prints as exactly that integer.
        if (canonicalInteger(s, v) && static_cast<double>(static_cast<float>(v)) == static_cast<double>(v)) {
            out = static_cast<float>(v);
            return true;
        }
        return slowParseFloat(s, false, out);
    }
    // "[-]digits.d": the printed tenths are the float's exact value times ten (exact in double, a
    // float has 24 significant bits) rounded half to even, as printf rounds.
    const std::size_t dot = s.size() >= 3 ? s.size() - 2 : std::string::npos;
    std::int64_t whole = 0;
    if (dot != std::string::npos && s[dot] == '.' && s[dot + 1] >= '0' && s[dot + 1] <= '9') {
        const bool neg = s[0] == '-';
        const std::string intPart = s.substr(neg ? 1 : 0, dot - (neg ? 1 : 0));
        if (canonicalInteger(intPart, whole) && intPart[0] != '-') {
            const std::int64_t tenths = whole * 10 + (s[dot + 1] - '0');
            float f = static_cast<float>(static_cast<double>(tenths) / 10.0);
            if (neg) f = -f;
            const double printed = std::nearbyint(static_cast<double>(std::fabs(f)) * 10.0);
            if (printed == static_cast<double>(tenths) && std::signbit(f) == neg) {
                out = f;
                return true;
            }
        }
    }
    return slowParseFloat(s, true, out);
}

bool parseInt(const std::string& s, std::int32_t& out) {
    std::int64_t v = 0;
    if (!canonicalInteger(s, v) || v < std::numeric_limits<std::int32_t>::min() ||
        v > std::numeric_limits<std::int32_t>::max())
        return false;
    out = static_cast<std::int32_t>(v);
    return true;
}

bool parseHex16(const std::string& s, std::uint16_t& out) {
    // "%X": upper case, no leading zeros.
    if (s.empty() || s.size() > 4 || (s[0] == '0' && s.size() > 1)) return false;
    unsigned v = 0;
    for (char c : s) {
        if (c >= '0' && c <= '9')
            v = v * 16 + static_cast<unsigned>(c - '0');
        else if (c >= 'A' && c <= 'F')
            v = v * 16 + static_cast<unsigned>(c - 'A' + 10);
        else
            return false;
    }
    out = static_cast<std::uint16_t>(v);
    return true;
}

bool parseTimestamp(const std::string& s, std::uint32_t& out) {
    // Exactly "YYYY-MM-DD HH:MM:SS".
    if (s.size() != 19) return false;
    static constexpr char kPattern[] = "dddd-dd-dd dd:dd:dd";
    for (std::size_t i = 0; i < 19; ++i) {
        const bool digit = s[i] >= '0' && s[i] <= '9';
        if (kPattern[i] == 'd' ? !digit : s[i] != kPattern[i]) return false;
    }
    auto num = [&](std::size_t pos, std::size_t len) {
        int v = 0;
        for (std::size_t i = pos; i < pos + len; ++i) v = v * 10 + (s[i] - '0');
        return v;
    };
    const LocalTime t{num(0, 4), num(5, 2), num(8, 2), num(11, 2), num(14, 2), num(17, 2)};
    return packTime(t, out);
}

}  // namespace

std::optional<std::uint32_t> civilSeconds(const std::string& timestamp) {
    std::uint32_t s = 0;
    if (!parseTimestamp(timestamp, s)) return std::nullopt;
    return s;
}

std::string formatCivilSeconds(std::uint32_t seconds) {
    return formatTimestamp(civilFromSeconds(seconds));
}

std::string formatTimestamp(const LocalTime& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return buf;
}

TextRecord formatMeasurement(const Measurement& m) {
    return {std::to_string(m.sensorId),
            formatTimestamp(m.time),
            printf0(m.h2dg),
            printf0(m.h2ag),
            printf1(m.temp),
            printf0(static_cast<double>(m.dayRoc)),
            printf1(m.pr),
            printf1(m.wt),
            printHex(m.runStatus)};
}

StoredRecord::StoredRecord(const Measurement& m) : n_{} {
    if (!packTime(m.time, seconds_)) {
        // A time outside 1970..2105 (or a leap second) keeps its text.
        makeVerbatim(formatMeasurement(m));
        return;
    }
    kind_ = Kind::Compact;
    sensorId_ = m.sensorId;
    runStatus_ = m.runStatus;
    n_.h2dg = m.h2dg;
    n_.h2ag = m.h2ag;
    n_.temp = m.temp;
    n_.dayRoc = m.dayRoc;
    n_.pr = m.pr;
    n_.wt = m.wt;
}

StoredRecord::StoredRecord(const TextRecord& t) : n_{} {
    std::int32_t id = -1;
    const bool compact = parseInt(t[0], id) && id >= 0 && id <= 255 && parseTimestamp(t[1], seconds_) &&
                         parseFloat(t[2], false, n_.h2dg) && parseFloat(t[3], false, n_.h2ag) &&
                         parseFloat(t[4], true, n_.temp) && parseInt(t[5], n_.dayRoc) &&
                         parseFloat(t[6], true, n_.pr) && parseFloat(t[7], true, n_.wt) &&
                         parseHex16(t[8], runStatus_);
    if (compact) {
        kind_ = Kind::Compact;
        sensorId_ = static_cast<std::uint8_t>(id);
        return;
    }
    makeVerbatim(t);
}

void StoredRecord::makeVerbatim(const TextRecord& t) {
    std::size_t total = 0;
    for (const auto& s : t) total += 4 + s.size();
    text_ = new char[total];
    char* p = text_;
    for (const auto& s : t) {
        const auto len = static_cast<std::uint32_t>(s.size());
        std::memcpy(p, &len, 4);
        std::memcpy(p + 4, s.data(), s.size());
        p += 4 + s.size();
    }
    runStatus_ = 0;
    kind_ = Kind::Verbatim;
}

StoredRecord::StoredRecord(const StoredRecord& o)
    : kind_(o.kind_), sensorId_(o.sensorId_), runStatus_(o.runStatus_), seconds_(o.seconds_) {
    if (kind_ != Kind::Verbatim) {
        std::memcpy(&n_, &o.n_, sizeof n_);
        return;
    }
    std::size_t total = 0;
    const char* p = o.text_;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        std::uint32_t len;
        std::memcpy(&len, p, 4);
        total += 4 + len;
        p += 4 + len;
    }
    text_ = new char[total];
    std::memcpy(text_, o.text_, total);
}

StoredRecord::StoredRecord(StoredRecord&& o) noexcept
    : kind_(o.kind_), sensorId_(o.sensorId_), runStatus_(o.runStatus_), seconds_(o.seconds_) {
    // Byte copy: the union holds either the numbers or the text pointer.
    std::memcpy(&n_, &o.n_, sizeof n_);
    o.kind_ = Kind::Empty;
}

StoredRecord& StoredRecord::operator=(const StoredRecord& o) {
    if (this != &o) {
        StoredRecord copy(o);
        *this = std::move(copy);
    }
    return *this;
}

StoredRecord& StoredRecord::operator=(StoredRecord&& o) noexcept {
    if (this != &o) {
        release();
        kind_ = o.kind_;
        sensorId_ = o.sensorId_;
        runStatus_ = o.runStatus_;
        seconds_ = o.seconds_;
        std::memcpy(&n_, &o.n_, sizeof n_);
        o.kind_ = Kind::Empty;
    }
    return *this;
}

StoredRecord::~StoredRecord() {
    release();
}

void StoredRecord::release() noexcept {
    if (kind_ == Kind::Verbatim) delete[] text_;
    kind_ = Kind::Empty;
}

std::string StoredRecord::field(Field f) const {
    switch (kind_) {
        case Kind::Empty:
            return {};
        case Kind::Verbatim: {
            const char* p = text_;
            for (std::size_t i = 0;; ++i) {
                std::uint32_t len;
                std::memcpy(&len, p, 4);
                if (i == static_cast<std::size_t>(f)) return std::string(p + 4, len);
                p += 4 + len;
            }
        }
        case Kind::Compact:
            break;
    }
    switch (f) {
        case Field::SensorId:
            return std::to_string(sensorId_);
        case Field::Timestamp:
            return formatTimestamp(civilFromSeconds(seconds_));
        case Field::H2DG:
            return printf0(n_.h2dg);
        case Field::H2AG:
            return printf0(n_.h2ag);
        case Field::Temp:
            return printf1(n_.temp);
        case Field::DayRoc:
            return printf0(static_cast<double>(n_.dayRoc));
        case Field::PR:
            return printf1(n_.pr);
        case Field::WT:
            return printf1(n_.wt);
        case Field::RunStatus:
            return printHex(runStatus_);
    }
    return {};
}

TextRecord StoredRecord::texts() const {
    TextRecord t;
    for (std::size_t i = 0; i < kFieldCount; ++i) t[i] = field(static_cast<Field>(i));
    return t;
}

}  // namespace talvex::acquisition
