#include "talvex/acquisition/alarm_db.hpp"

#include <sqlite3.h>

namespace talvex::acquisition {

AlarmEventDb::~AlarmEventDb() {
    if (db_) sqlite3_close(db_);
}

bool AlarmEventDb::open() {
    if (db_) return true;
    if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        lastError_ = std::string(db_ ? sqlite3_errmsg(db_) : "out of memory") + ": " + path_;
        sqlite3_close(db_);
        db_ = nullptr;
        return false;
    }
    // The poller writes the same file on its own connection: wait for it rather than fail.
    sqlite3_busy_timeout(db_, 5000);
    if (sqlite3_exec(db_, kCreateAlarmTableSql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        lastError_ = std::string(sqlite3_errmsg(db_)) + ": " + path_;
        sqlite3_close(db_);
        db_ = nullptr;
        return false;
    }
    return true;
}

bool AlarmEventDb::append(const AlarmEvent& e) {
    if (!open()) return false;
    sqlite3_stmt* st = nullptr;
    const char* sql =
        "Insert into AlarmEvent(Time, SensorId, Kind, State, Value, Threshold, By) "
        "values(?, ?, ?, ?, ?, ?, ?)";
    int rc = sqlite3_prepare_v2(db_, sql, -1, &st, nullptr);
    if (rc == SQLITE_OK) {
        const std::string_view kind = alarmKindName(e.kind), state = alarmStateName(e.state);
        sqlite3_bind_text(st, 1, e.time.data(), int(e.time.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 2, e.sensor);
        sqlite3_bind_text(st, 3, kind.data(), int(kind.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 4, state.data(), int(state.size()), SQLITE_TRANSIENT);
        sqlite3_bind_double(st, 5, e.value);
        if (isValueAlarm(e.kind) && e.state != AlarmState::Ack)
            sqlite3_bind_double(st, 6, e.threshold);
        else
            sqlite3_bind_null(st, 6);
        if (e.by.empty())
            sqlite3_bind_null(st, 7);
        else
            sqlite3_bind_text(st, 7, e.by.data(), int(e.by.size()), SQLITE_TRANSIENT);
        rc = sqlite3_step(st);
    }
    sqlite3_finalize(st);
    if (rc == SQLITE_DONE) return true;
    lastError_ = std::string(sqlite3_errmsg(db_)) + ": " + path_;
    // A file removed or locked for good: the next event opens afresh.
    sqlite3_close(db_);
    db_ = nullptr;
    return false;
}

}  // namespace talvex::acquisition
