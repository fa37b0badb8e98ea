// A sensor's history records: the two record formats of its stream, one record kept compact in
// memory, and the seven texts the list and the CSV export show for it. Pure functions.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace talvex::acquisition {

// V1: 19-byte records without pressure and moisture; V2: 28-byte records.
enum class HistoryFormat : std::uint8_t { V1 = 1, V2 = 2 };

int historyRecordSize(HistoryFormat format);

// One record as the sensor sent it. Kept as numbers (28 bytes) rather than as its seven texts, so
// a read of a million records stays within a few tens of MB; the texts are made when shown.
struct HistoryRecord {
    std::array<std::uint8_t, 7> time{};  // BCD: century, year, month, day, hour, minute, second
    std::uint16_t temperatureRaw = 0;    // degC = raw / 100 - 100
    std::uint32_t hydrogen = 0;          // ppm
    std::int32_t rate = 0;               // ppm per day
    float pressure = 0;                  // V2 only
    float moisture = 0;                  // V2 only
};

// A complete record of historyRecordSize(format) bytes, start and end marker included.
HistoryRecord decodeHistoryRecord(const std::uint8_t* bytes, HistoryFormat format);

// The columns, in list and file order.
enum HistoryColumn : int {
    kHistId,
    kHistTime,
    kHistHydrogen,
    kHistTemperature,
    kHistRate,
    kHistPressure,
    kHistMoisture
};
inline constexpr int kHistoryColumnCount = 7;
// Language keys of the column headings.
inline constexpr std::array<const char*, kHistoryColumnCount> kHistoryColumnKeys = {
    "IDS_Tab_Query_Col_ID",   "IDS_Tab_Query_Col_Time", "IDS_Tab_Query_Col_H2", "IDS_Tab_Query_Col_Temp",
    "IDS_Tab_Query_Col_Rate", "IDS_Tab_Query_Col_PR",   "IDS_Tab_Query_Col_WT"};

// The records of one read, with the sensor they came from and their format.
struct HistoryTable {
    int sensorId = 0;
    HistoryFormat format = HistoryFormat::V1;
    std::vector<HistoryRecord> records;
};

// Appends the text of one field: the ID "%d", the time "YYYY-MM-DD hh:mm:ss" with each BCD nibble
// n written as the character '0' + n, hydrogen "%lu", temperature "%3.2f", rate "%ld", pressure and
// moisture "%3.2f" (empty for V1).
void appendHistoryField(std::string& out, const HistoryTable& table, std::size_t row, int column);
// The same as a string; empty for a row or column out of range.
std::string historyField(const HistoryTable& table, std::size_t row, int column);
// The seven texts of a row separated by "," and ended by CR LF, unquoted (no text holds a comma).
void appendHistoryLine(std::string& out, const HistoryTable& table, std::size_t row);

}  // namespace talvex::acquisition
