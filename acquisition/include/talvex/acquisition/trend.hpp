// Trends over the stored history: a period of one quantity of one sensor cut into columns (one per
// pixel column of a view, or per line of a report), each summed up as count, min, max, first and
// last. Min and max keep every peak: a single spike among millions of rows still shows in its
// column, which averaging or taking every n-th row would hide.
//
// Times are the civil seconds of the stored local-time texts. Rows are placed by their own time, so
// a clock set back or the repeated hour of a daylight-saving change never draws a line backwards;
// first and last are the earliest and latest rows of a column by time (by row order among equal
// times).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "talvex/acquisition/measurement.hpp"

namespace talvex::acquisition {

enum class TrendQuantity : std::uint8_t { H2InOil, H2InGas, Temperature, DailyRate, Pressure, Moisture };

// "h2-oil", "h2-gas", "temp", "roc", "pressure", "moisture" (the command line's words, in every
// language), and the SensorData column each reads.
std::optional<TrendQuantity> parseTrendQuantity(std::string_view name);
std::string_view trendQuantityName(TrendQuantity q);
Field trendField(TrendQuantity q);

struct TrendColumn {
    std::uint32_t start = 0, end = 0;  // civil seconds; the column holds start <= t < end
    std::uint64_t count = 0;           // 0: a gap, the other fields mean nothing
    double min = 0, max = 0, first = 0, last = 0;
};

class TrendDecimator {
  public:
    // [from, to] cut into `columns` equal columns (the last one takes to itself).
    TrendDecimator(std::uint32_t from, std::uint32_t to, int columns);
    // Rows outside the period are ignored.
    void add(std::uint32_t time, double value);
    const std::vector<TrendColumn>& columns() const { return columns_; }

  private:
    struct Ends {
        std::uint32_t firstTime = 0, lastTime = 0;
    };
    std::uint32_t from_, to_;
    std::vector<TrendColumn> columns_;
    std::vector<Ends> ends_;
};

struct TrendRequest {
    int sensor = 0;
    TrendQuantity quantity = TrendQuantity::H2InOil;
    std::optional<std::uint32_t> from, to;  // empty: the sensor's first or last stored time
    int columns = 100;
};

struct TrendResult {
    bool ok = false;
    std::string error;  // SQLite's reason with the path, when not ok
    std::uint32_t from = 0, to = 0;
    std::uint64_t rows = 0;  // rows with a readable time and value inside the period
    std::vector<TrendColumn> columns;
};

// Reads the sensor's rows of SensorData in one pass and decimates them. A sensor without rows (or a
// file without the table) gives ok with no columns.
TrendResult readTrend(const std::string& databasePath, const TrendRequest& request);

}  // namespace talvex::acquisition
