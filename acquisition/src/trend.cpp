#include "talvex/acquisition/trend.hpp"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>

namespace talvex::acquisition {
namespace {

struct QuantityInfo {
    std::string_view name;
    Field field;
};
constexpr std::array<QuantityInfo, 6> kQuantities = {{{"h2-oil", Field::H2DG},
                                                      {"h2-gas", Field::H2AG},
                                                      {"temp", Field::Temp},
                                                      {"roc", Field::DayRoc},
                                                      {"pressure", Field::PR},
                                                      {"moisture", Field::WT}}};

std::optional<double> number(const unsigned char* text) {
    if (!text || !*text) return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(reinterpret_cast<const char*>(text), &end);
    if (*end || v != v) return std::nullopt;
    return v;
}

}  // namespace

std::optional<TrendQuantity> parseTrendQuantity(std::string_view name) {
    for (std::size_t i = 0; i < kQuantities.size(); ++i)
        if (kQuantities[i].name == name) return static_cast<TrendQuantity>(i);
    return std::nullopt;
}

std::string_view trendQuantityName(TrendQuantity q) {
    return kQuantities[static_cast<std::size_t>(q)].name;
}

Field trendField(TrendQuantity q) {
    return kQuantities[static_cast<std::size_t>(q)].field;
}

TrendDecimator::TrendDecimator(std::uint32_t from, std::uint32_t to, int columns)
    : from_(from), to_(std::max(from, to)) {
    const int n = std::max(columns, 1);
    columns_.resize(static_cast<std::size_t>(n));
    ends_.resize(columns_.size());
    const double span = double(to_) - double(from_) + 1;  // to itself belongs to the period
    for (int i = 0; i < n; ++i) {
        columns_[std::size_t(i)].start = from_ + static_cast<std::uint32_t>(span * i / n);
        columns_[std::size_t(i)].end = from_ + static_cast<std::uint32_t>(span * (i + 1) / n);
    }
}

void TrendDecimator::add(std::uint32_t time, double value) {
    if (time < from_ || time > to_) return;
    // The column whose [start, end) holds time: computed, then moved past integer rounding.
    const double span = double(to_) - double(from_) + 1;
    auto i = static_cast<std::size_t>((double(time) - from_) * double(columns_.size()) / span);
    i = std::min(i, columns_.size() - 1);
    while (i > 0 && time < columns_[i].start) --i;
    while (i + 1 < columns_.size() && time >= columns_[i].end) ++i;
    TrendColumn& c = columns_[i];
    Ends& e = ends_[i];
    if (c.count == 0) {
        c.min = c.max = c.first = c.last = value;
        e.firstTime = e.lastTime = time;
    } else {
        c.min = std::min(c.min, value);
        c.max = std::max(c.max, value);
        if (time < e.firstTime) {
            e.firstTime = time;
            c.first = value;
        }
        if (time >= e.lastTime) {
            e.lastTime = time;
            c.last = value;
        }
    }
    ++c.count;
}

TrendResult readTrend(const std::string& databasePath, const TrendRequest& request) {
    TrendResult out;
    sqlite3* db = nullptr;
    const auto failed = [&] {
        out.error = std::string(db ? sqlite3_errmsg(db) : "out of memory") + ": " + databasePath;
        sqlite3_close(db);
        return out;
    };
    if (sqlite3_open_v2(databasePath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return failed();
    sqlite3_busy_timeout(db, 5000);
    const std::string column(kFieldNames[static_cast<std::size_t>(trendField(request.quantity))]);
    const std::string sql = "select Timestamp, " + column + " from SensorData where SensorId = ?";
    const std::string id = std::to_string(request.sensor);  // SensorId is stored as text
    const std::uint32_t from = request.from.value_or(0);
    const std::uint32_t to = request.to.value_or(std::numeric_limits<std::uint32_t>::max());

    // Every readable row of the period, in stored order; false when SQLite failed.
    bool noTable = false;
    const auto scan = [&](auto&& row) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            noTable = std::string(sqlite3_errmsg(db)).find("no such table") != std::string::npos;
            return false;
        }
        sqlite3_bind_text(st, 1, id.c_str(), -1, SQLITE_TRANSIENT);
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            const auto* t = sqlite3_column_text(st, 0);
            if (!t) continue;
            const std::uint32_t time = civilSeconds(reinterpret_cast<const char*>(t)).value_or(0);
            const auto value = number(sqlite3_column_text(st, 1));
            // 0 is no stored time (1970-01-01 00:00:00 never was one)
            if (time != 0 && value && time >= from && time <= to) row(time, *value);
        }
        sqlite3_finalize(st);
        return rc == SQLITE_DONE;
    };

    // An open end is the sensor's first or last stored time: one pass finds it, so memory stays the
    // same whatever the number of rows.
    std::uint32_t lo = std::numeric_limits<std::uint32_t>::max(), hi = 0;
    if (!request.from || !request.to) {
        if (!scan([&](std::uint32_t t, double) {
                lo = std::min(lo, t);
                hi = std::max(hi, t);
            })) {
            if (!noTable) return failed();
            sqlite3_close(db);
            out.ok = true;
            return out;
        }
        if (lo > hi) {  // no rows
            sqlite3_close(db);
            out.ok = true;
            return out;
        }
    }
    out.from = request.from.value_or(lo);
    out.to = request.to.value_or(hi);
    TrendDecimator decimator(out.from, out.to, request.columns);
    if (!scan([&](std::uint32_t t, double v) {
            ++out.rows;
            decimator.add(t, v);
        })) {
        if (!noTable) return failed();
        sqlite3_close(db);
        out.ok = true;
        return out;
    }
    sqlite3_close(db);
    out.ok = true;
    out.columns = decimator.columns();
    return out;
}

}  // namespace talvex::acquisition
