// Direct SQL on a database file, independent of the code under test: what an outside tool would
// see in the file.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

namespace talvex::testing {

class RawDb {
  public:
    explicit RawDb(const std::string& path) {
        if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) ADD_FAILURE() << "cannot open " << path;
    }
    ~RawDb() { sqlite3_close(db_); }
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;

    void exec(const std::string& sql) {
        char* error = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK)
            ADD_FAILURE() << sql << ": " << (error ? error : "?");
        sqlite3_free(error);
    }
    // The first column of the first row as text; "<error>" without a row, "<null>" for NULL.
    std::string scalar(const std::string& sql) {
        sqlite3_stmt* s = nullptr;
        std::string out = "<error>";
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) == SQLITE_OK &&
            sqlite3_step(s) == SQLITE_ROW) {
            const auto* t = sqlite3_column_text(s, 0);
            out = t ? reinterpret_cast<const char*>(t) : "<null>";
        }
        sqlite3_finalize(s);
        return out;
    }
    // The first column of the first row as a number; -1 without a row.
    long long number(const std::string& sql) {
        sqlite3_stmt* s = nullptr;
        long long out = -1;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) == SQLITE_OK &&
            sqlite3_step(s) == SQLITE_ROW)
            out = sqlite3_column_int64(s, 0);
        sqlite3_finalize(s);
        return out;
    }

  private:
    sqlite3* db_ = nullptr;
};

}  // namespace talvex::testing
