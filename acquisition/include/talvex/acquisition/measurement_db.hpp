// SensorDB.db: the measurement database. Each user owns one MeasurementDb (one connection).
// Results are SQLite result codes (0 success), or -1 where noted.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "talvex/acquisition/measurement.hpp"

struct sqlite3;

namespace talvex::acquisition {

class PendingLog;
class RecordStore;

// Key -> text in the active language (GetText in the application).
using TextLookup = std::function<std::string(std::string_view)>;

inline constexpr const char* kDatabaseFileName = "SensorDB.db";
inline constexpr const char* kCreateTableSql =
    "Create table if not exists SensorData(SensorId char, Timestamp char, H2DG char, H2AG char, Temp char, "
    "DayRoc char, PR char, WT char, RunStatus char)";
// Lets per-sensor reads seek instead of scanning the table. The table and its columns are unchanged,
// so older readers and writers of the file keep working.
inline constexpr const char* kCreateIndexSql =
    "Create index if not exists SensorData_SensorId on SensorData(SensorId)";

std::string databasePath(const std::string& dataDir);

class MeasurementDb {
  public:
    // log receives open failures (may be null); text looks up the failure texts.
    MeasurementDb(std::string path, PendingLog* log, TextLookup text);
    ~MeasurementDb();
    MeasurementDb(const MeasurementDb&) = delete;
    MeasurementDb& operator=(const MeasurementDb&) = delete;

    // Opens (creating the file and table when missing) and sets the connection up; 0 when already open.
    int open();
    void close();
    bool isOpen() const { return db_ != nullptr; }

    // One transaction per record. The connection stays open after a commit so that the next insert
    // costs no open; a failed transaction closes it. Non-zero: the record was not stored.
    int insert(const TextRecord& r);
    // Deletes one sensor's rows in a transaction, then closes. Empty id: -1, nothing touched.
    // removed (may be null) receives the number of rows deleted.
    int deleteSensor(std::string_view id, long long* removed = nullptr);
    // Replaces the store's records with the newest records of every sensor (oldest first); append
    // counts are kept. Returns the number of sensors loaded, or -1 when the file cannot be read.
    int loadAll(RecordStore& store, std::size_t perSensor = 20000);

    const std::string& path() const { return path_; }

  private:
    int exec(const char* sql);
    int failTransaction(int rc);

    std::string path_;
    PendingLog* log_;
    TextLookup text_;
    sqlite3* db_ = nullptr;
};

}  // namespace talvex::acquisition
