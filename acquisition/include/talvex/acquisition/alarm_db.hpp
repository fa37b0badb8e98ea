// The AlarmEvent table of SensorDB.db: every raise, clear and acknowledgement, beside the
// measurements it concerns. Its words (kind, state) are the engine's file names, the same in every
// language. Other readers of the file see one more table and nothing changed in SensorData.
#pragma once

#include <string>

#include "talvex/acquisition/alarm_engine.hpp"

struct sqlite3;

namespace talvex::acquisition {

inline constexpr const char* kCreateAlarmTableSql =
    "Create table if not exists AlarmEvent(Time char, SensorId integer, Kind char, State char, "
    "Value real, Threshold real, By char)";

class AlarmEventDb {
  public:
    explicit AlarmEventDb(std::string path) : path_(std::move(path)) {}
    ~AlarmEventDb();
    AlarmEventDb(const AlarmEventDb&) = delete;
    AlarmEventDb& operator=(const AlarmEventDb&) = delete;

    // Stores one event (opening the file and creating the table on first use); false with
    // lastError() set when it was not stored.
    bool append(const AlarmEvent& e);
    const std::string& lastError() const { return lastError_; }

  private:
    bool open();
    std::string path_;
    sqlite3* db_ = nullptr;
    std::string lastError_;
};

}  // namespace talvex::acquisition
