#include "talvex/acquisition/measurement_db.hpp"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "talvex/acquisition/pending.hpp"
#include "talvex/acquisition/record_store.hpp"

namespace talvex::acquisition {
namespace {

struct StmtDeleter {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Stmt = std::unique_ptr<sqlite3_stmt, StmtDeleter>;

Stmt prepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) != SQLITE_OK) {
        sqlite3_finalize(s);
        return nullptr;
    }
    return Stmt(s);
}

void columnText(sqlite3_stmt* s, int col, std::string& out) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, col));
    if (!p) {
        out.clear();
        return;
    }
    out.assign(p, static_cast<std::size_t>(sqlite3_column_bytes(s, col)));
}

// Writers of this process take turns with the index build: a build of a large table holds the write
// lock for seconds, longer than an insert's busy time-out would wait.
std::mutex& writeTurn() {
    static std::mutex m;
    return m;
}

}  // namespace

std::string databasePath(const std::string& dataDir) {
    if (dataDir.empty()) return kDatabaseFileName;
    return dataDir.back() == '/' ? dataDir + kDatabaseFileName : dataDir + '/' + kDatabaseFileName;
}

MeasurementDb::MeasurementDb(std::string path, PendingLog* log, TextLookup text)
    : path_(std::move(path)), log_(log), text_(std::move(text)) {}

MeasurementDb::~MeasurementDb() {
    close();
}

void MeasurementDb::close() {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

int MeasurementDb::exec(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
}

std::string MeasurementDb::reason(int rc) const {
    const char* text = db_ && sqlite3_errcode(db_) != SQLITE_OK ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    return std::string(text) + ": " + path_;
}

int MeasurementDb::open() {
    if (db_) return 0;
    const int rc = sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        lastError_ = reason(rc);
        close();
        if (log_) {
            log_->append(text_ ? text_("IDS_Tab_Acquisition_DatabaseFailed") : std::string{});
            log_->append(" [rc=" + std::to_string(rc) + "] " + lastError_ + "\r\n");
            log_->announce();
        }
        return rc;
    }
    exec("PRAGMA journal_mode=WAL;");
    exec("PRAGMA synchronous=NORMAL;");
    exec("PRAGMA cache_size=-100000;");
    exec("PRAGMA temp_store=MEMORY;");
    sqlite3_busy_timeout(db_, 5000);
    const int created = exec(kCreateTableSql);
    if (created != SQLITE_OK) {
        lastError_ = reason(created);
        if (log_) {
            log_->append((text_ ? text_("IDS_Tab_Acquisition_DatabaseLinkedError") : std::string{}) + " (" +
                         lastError_ + ")\r\n");
            log_->announce();
        }
        return created;
    }
    // Best effort: a read-only or busy file still works without the index, only slower. A large
    // table written by earlier versions is left to buildIndex(): the start must not wait for it.
    if (!hasIndex()) {
        sqlite3_int64 rows = 0;
        if (Stmt s = prepare(db_, "select max(rowid) from SensorData");
            s && sqlite3_step(s.get()) == SQLITE_ROW)
            rows = sqlite3_column_int64(s.get(), 0);
        if (rows <= inlineIndexRows_) {
            std::lock_guard turn(writeTurn());
            exec(kCreateIndexSql);
        }
    }
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0) {
        fileDev_ = st.st_dev;
        fileIno_ = st.st_ino;
    }
    return 0;
}

bool MeasurementDb::pathStillOpen() const {
    struct stat st {};
    return ::stat(path_.c_str(), &st) == 0 && st.st_dev == fileDev_ && st.st_ino == fileIno_;
}

bool MeasurementDb::hasIndex() {
    if (open() != 0) return false;
    Stmt s =
        prepare(db_, "select 1 from sqlite_master where type = 'index' and name = 'SensorData_SensorId'");
    return s && sqlite3_step(s.get()) == SQLITE_ROW;
}

int MeasurementDb::buildIndex() {
    if (const int rc = open(); rc != 0) return rc;
    std::lock_guard turn(writeTurn());
    return exec(kCreateIndexSql);
}

void MeasurementDb::interrupt() {
    if (db_) sqlite3_interrupt(db_);
}

void BackgroundIndexBuild::start(const std::string& path) {
    cancel();
    db_ = std::make_unique<MeasurementDb>(path, nullptr, nullptr);
    if (db_->open() != 0) return;
    if (db_->hasIndex()) {
        built_ = true;
        return;
    }
    thread_ = std::thread([this] { built_ = db_->buildIndex() == SQLITE_OK; });
}

bool BackgroundIndexBuild::wait() {
    if (thread_.joinable()) thread_.join();
    return built_;
}

void BackgroundIndexBuild::cancel() {
    if (thread_.joinable()) {
        db_->interrupt();
        thread_.join();
    }
    db_.reset();
}

int MeasurementDb::failTransaction(int rc) {
    lastError_ = rc == -1 ? "out of memory: " + path_ : reason(rc);
    exec("ROLLBACK;");
    // A connection a failed transaction leaves behind may hold locks or a broken state; start afresh.
    close();
    return rc;
}

int MeasurementDb::insert(const TextRecord& r) {
    // A removed or rotated file would swallow every later record: reopen at the path. SQLite keeps
    // the -wal of a moved file on close (it is named after the path), so its records are first
    // checkpointed into the file they belong to and the -wal emptied: a new file at the path must
    // not replay them.
    if (db_ && !pathStillOpen()) {
        exec("PRAGMA wal_checkpoint(TRUNCATE);");
        close();
    }
    if (const int rc = open(); rc != 0) return rc;
    std::lock_guard turn(writeTurn());
    if (const int rc = exec("BEGIN;"); rc != SQLITE_OK) return failTransaction(rc);
    char* sql = sqlite3_mprintf(
        "insert into SensorData(SensorId,Timestamp,H2DG,H2AG,Temp,DayRoc,PR,WT,RunStatus) values "
        "('%q','%q','%q','%q','%q','%q','%q','%q','%q')",
        r[0].c_str(), r[1].c_str(), r[2].c_str(), r[3].c_str(), r[4].c_str(), r[5].c_str(), r[6].c_str(),
        r[7].c_str(), r[8].c_str());
    if (!sql) return failTransaction(-1);
    int rc = exec(sql);
    sqlite3_free(sql);
    if (rc == SQLITE_OK) rc = exec("COMMIT;");
    if (rc != SQLITE_OK) return failTransaction(rc);
    return 0;
}

int MeasurementDb::deleteSensor(std::string_view id, long long* removed) {
    if (removed) *removed = 0;
    if (id.empty()) return -1;
    if (const int rc = open(); rc != 0) return rc;
    std::lock_guard turn(writeTurn());
    if (const int rc = exec("BEGIN;"); rc != SQLITE_OK) return failTransaction(rc);
    const std::string key(id);
    char* sql = sqlite3_mprintf("delete from SensorData where SensorId = '%q'", key.c_str());
    if (!sql) return failTransaction(-1);
    int rc = exec(sql);
    sqlite3_free(sql);
    const long long count = sqlite3_changes64(db_);
    if (rc == SQLITE_OK) rc = exec("COMMIT;");
    if (rc != SQLITE_OK) return failTransaction(rc);
    close();
    if (removed) *removed = count;
    return 0;
}

int MeasurementDb::loadAll(RecordStore& store, std::size_t perSensor) {
    std::map<std::string, std::vector<StoredRecord>> loaded;
    if (open() != 0) {
        store.replaceRecords({});
        return -1;
    }
    if (!hasIndex()) {
        const int keys = loadByScan(loaded, perSensor);
        store.replaceRecords(keys < 0 ? decltype(loaded){} : std::move(loaded));
        return keys;
    }
    // Distinct sensor IDs by seeking from one ID to the next through the index: touches one index
    // entry per sensor instead of every row.
    std::vector<std::string> ids;
    {
        Stmt first = prepare(db_,
                             "select SensorId from SensorData where SensorId is not null "
                             "order by SensorId limit 1");
        Stmt next =
            prepare(db_, "select SensorId from SensorData where SensorId > ?1 order by SensorId limit 1");
        if (!first || !next) {
            store.replaceRecords({});
            return -1;
        }
        sqlite3_value* current = nullptr;
        if (sqlite3_step(first.get()) == SQLITE_ROW)
            current = sqlite3_value_dup(sqlite3_column_value(first.get(), 0));
        while (current) {
            // Bind before reading the text: reading converts the value (a blob would turn into text).
            sqlite3_reset(next.get());
            sqlite3_bind_value(next.get(), 1, current);
            const auto* t = reinterpret_cast<const char*>(sqlite3_value_text(current));
            if (t) ids.emplace_back(t, static_cast<std::size_t>(sqlite3_value_bytes(current)));
            sqlite3_value* following = nullptr;
            if (sqlite3_step(next.get()) == SQLITE_ROW)
                following = sqlite3_value_dup(sqlite3_column_value(next.get(), 0));
            sqlite3_value_free(current);
            current = following;
        }
    }
    // Newest rows first through the index, so only perSensor rows are visited; stored oldest first.
    Stmt rows = prepare(db_,
                        "select SensorId,Timestamp,H2DG,H2AG,Temp,DayRoc,PR,WT,RunStatus from SensorData "
                        "where SensorId = ? order by rowid desc limit ?");
    if (!rows) {
        store.replaceRecords({});
        return -1;
    }
    TextRecord texts;
    for (const std::string& id : ids) {
        sqlite3_bind_text(rows.get(), 1, id.data(), static_cast<int>(id.size()), SQLITE_STATIC);
        sqlite3_bind_int64(rows.get(), 2, static_cast<sqlite3_int64>(perSensor));
        std::vector<StoredRecord> list;
        while (sqlite3_step(rows.get()) == SQLITE_ROW) {
            for (int c = 0; c < static_cast<int>(kFieldCount); ++c)
                columnText(rows.get(), c, texts[static_cast<std::size_t>(c)]);
            list.emplace_back(texts);
        }
        sqlite3_reset(rows.get());
        if (list.empty()) continue;
        std::reverse(list.begin(), list.end());
        loaded[id] = std::move(list);
    }
    const int keys = static_cast<int>(loaded.size());
    store.replaceRecords(std::move(loaded));
    return keys;
}

// Without the index: one pass from the newest row back, keeping the first perSensor rows of each
// sensor met. A row beyond its sensor's share costs only the reading of its SensorId.
int MeasurementDb::loadByScan(std::map<std::string, std::vector<StoredRecord>>& loaded,
                              std::size_t perSensor) {
    Stmt rows = prepare(db_,
                        "select SensorId,Timestamp,H2DG,H2AG,Temp,DayRoc,PR,WT,RunStatus from SensorData "
                        "order by rowid desc");
    if (!rows) return -1;
    std::unordered_map<std::string, std::vector<StoredRecord>> lists;
    std::string id;
    TextRecord texts;
    int rc;
    while ((rc = sqlite3_step(rows.get())) == SQLITE_ROW) {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(rows.get(), 0));
        if (!p) continue;
        id.assign(p, static_cast<std::size_t>(sqlite3_column_bytes(rows.get(), 0)));
        std::vector<StoredRecord>& list = lists[id];
        if (list.size() >= perSensor) continue;
        for (int c = 0; c < static_cast<int>(kFieldCount); ++c)
            columnText(rows.get(), c, texts[static_cast<std::size_t>(c)]);
        list.emplace_back(texts);
    }
    if (rc != SQLITE_DONE) return -1;
    for (auto& [key, list] : lists) {
        if (list.empty()) continue;
        std::reverse(list.begin(), list.end());
        loaded[key] = std::move(list);
    }
    return static_cast<int>(loaded.size());
}

}  // namespace talvex::acquisition
