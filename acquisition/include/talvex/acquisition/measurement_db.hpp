// SensorDB.db: the measurement database. Each user owns one MeasurementDb (one connection).
// Results are SQLite result codes (0 success), or -1 where noted.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

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
    // costs no open; a failed transaction closes it, and so does a file at the path that is no longer
    // the one open (removed or renamed meanwhile), so the record goes to the path's file, created as
    // on a first insert. Non-zero: the record was not stored.
    int insert(const TextRecord& r);
    // Deletes one sensor's rows in a transaction, then closes. Empty id: -1, nothing touched.
    // removed (may be null) receives the number of rows deleted.
    int deleteSensor(std::string_view id, long long* removed = nullptr);
    // Replaces the store's records with the newest records of every sensor (oldest first); append
    // counts are kept. Returns the number of sensors loaded, or -1 when the file cannot be read.
    // Seeks through the SensorId index; a file without it is read in one pass instead.
    int loadAll(RecordStore& store, std::size_t perSensor = 20000);

    // The SensorId index. open() adds it to a small table at once; a large table written by earlier
    // versions gets it from buildIndex(), which a start runs in the background (BackgroundIndexBuild)
    // so that the window does not wait for it.
    bool hasIndex();
    int buildIndex();
    // Tables with more rows than this (by their highest row id) are not indexed inside open().
    void setInlineIndexRows(long long rows) { inlineIndexRows_ = rows; }
    // Makes a running statement of this connection (another thread's buildIndex) stop.
    void interrupt();

    const std::string& path() const { return path_; }
    // SQLite's reason for the last failure, with the file's path ("attempt to write a readonly
    // database: /data/SensorDB.db").
    const std::string& lastError() const { return lastError_; }

  private:
    int exec(const char* sql);
    int failTransaction(int rc);
    std::string reason(int rc) const;
    bool pathStillOpen() const;
    int loadByScan(std::map<std::string, std::vector<StoredRecord>>& loaded, std::size_t perSensor);

    std::string path_;
    PendingLog* log_;
    TextLookup text_;
    sqlite3* db_ = nullptr;
    std::string lastError_;
    long long inlineIndexRows_ = 200000;
    // Identity (device, inode) of the file the connection opened.
    unsigned long long fileDev_ = 0, fileIno_ = 0;
};

// Builds the SensorId index of a database file on a thread of its own; the poller's inserts wait for
// it instead of failing on the busy time-out. cancel() (or the destructor) stops it; an index not
// finished is built at the next start.
class BackgroundIndexBuild {
  public:
    BackgroundIndexBuild() = default;
    ~BackgroundIndexBuild() { cancel(); }
    BackgroundIndexBuild(const BackgroundIndexBuild&) = delete;
    BackgroundIndexBuild& operator=(const BackgroundIndexBuild&) = delete;

    void start(const std::string& path);
    void cancel();
    // Waits until the build has ended; true when the index exists.
    bool wait();

  private:
    std::unique_ptr<MeasurementDb> db_;
    std::thread thread_;
    std::atomic<bool> built_{false};
};

}  // namespace talvex::acquisition
