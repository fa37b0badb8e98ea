#include "talvex/acquisition/csv_export.hpp"

#include <sqlite3.h>

#include <cstdio>

#include "talvex/output_file.hpp"

namespace talvex::acquisition {
namespace {

constexpr const char* kExportSql =
    "select SensorId,Timestamp,H2DG,H2AG,Temp,DayRoc,PR,WT,RunStatus from SensorData where SensorId = ?";
constexpr const char* kExportScanSql =
    "select SensorId,Timestamp,H2DG,H2AG,Temp,DayRoc,PR,WT,RunStatus from SensorData not indexed "
    "where SensorId = ?";
constexpr std::size_t kChunkBytes = 409600;

struct Connection {
    sqlite3* db = nullptr;
    ~Connection() {
        if (db) {
            sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr);
            sqlite3_close_v2(db);
        }
    }
};

std::string lookup(const TextLookup& text, const char* key) {
    return text ? text(key) : std::string(key);
}

// The message of a failed step, then SQLite's reason and the file: "COUNT Compile Failed. (file is not
// a database: /data/SensorDB.db)".
std::string withReason(std::string message, sqlite3* db, int rc, const std::string& path) {
    const char* why = db && sqlite3_errcode(db) != SQLITE_OK ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    return message + " (" + why + ": " + path + ")";
}

// The rule of every output file, with this export's database (and its journals) kept off too.
OutputRule ruleOf(const ExportJob& job) {
    OutputRule rule{job.overwrite, job.keepOff};
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) rule.keepOff.push_back(job.dbPath + suffix);
    return rule;
}

}  // namespace

std::string exportTargetProblem(const ExportJob& job, const TextLookup& text) {
    const OutputRefusal refusal = outputRefusal(job.filePath, ruleOf(job));
    if (refusal == OutputRefusal::None) return {};
    return lookup(text, outputRefusalKey(refusal)) + ": " + job.filePath;
}

void appendCsvField(std::string& out, std::string_view value) {
    bool special = false;
    for (char c : value) special |= c == '"' || c == ',' || c == '\n';
    if (!special) {
        out.append(value);
        return;
    }
    out.push_back('"');
    for (char c : value) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

ExportResult exportCsv(const ExportJob& job, const TextLookup& text,
                       const std::function<void(int)>& progress) {
    ExportResult result;
    if (std::string problem = exportTargetProblem(job, text); !problem.empty()) {
        result.errorText = std::move(problem);
        return result;
    }
    Connection conn;
    // The export reads; it never creates the file and has no busy time-out.
    if (const int rc = sqlite3_open_v2(job.dbPath.c_str(), &conn.db, SQLITE_OPEN_READWRITE, nullptr);
        rc != SQLITE_OK) {
        result.errorText =
            withReason(lookup(text, "IDS_Tab_Acquisition_DatabaseFailed"), conn.db, rc, job.dbPath);
        return result;
    }
    // One read transaction: the count and the rows come from the same snapshot, so rows the poller
    // inserts meanwhile cannot push the percent past 100.
    sqlite3_exec(conn.db, "BEGIN;", nullptr, nullptr, nullptr);

    const std::string countSql = std::string("SELECT COUNT(*) FROM (") + kExportSql + ") AS t";
    sqlite3_stmt* count = nullptr;
    if (const int rc = sqlite3_prepare_v2(conn.db, countSql.c_str(), -1, &count, nullptr); rc != SQLITE_OK) {
        sqlite3_finalize(count);
        result.errorText = withReason("COUNT Compile Failed.", conn.db, rc, job.dbPath);
        return result;
    }
    sqlite3_bind_text(count, 1, job.key.data(), static_cast<int>(job.key.size()), SQLITE_STATIC);
    sqlite3_int64 total = 0;
    const int counted = sqlite3_step(count);
    if (counted == SQLITE_ROW) total = sqlite3_column_int64(count, 0);
    if (counted != SQLITE_ROW && counted != SQLITE_DONE) {
        // A damaged file is not an empty one.
        result.errorText =
            withReason(lookup(text, "IDS_Tab_Acquisition_NoData"), conn.db, counted, job.dbPath);
        sqlite3_finalize(count);
        return result;
    }
    sqlite3_finalize(count);
    if (total == 0) {
        result.outcome = kExportNoData;
        return result;
    }

    // Written aside and renamed into place: a failed export leaves any earlier file as it was.
    OutputFile out;
    std::FILE* file = out.open(job.filePath, ruleOf(job)) ? out.stream() : nullptr;
    if (!file) {
        result.errorText = out.refusal() != OutputRefusal::None
                               ? exportTargetProblem(job, text)
                               : lookup(text, "IDS_Tab_Acquisition_CSVfailed");
        return result;
    }
    std::fwrite("\xEF\xBB\xBF", 1, 3, file);

    // The same rows in the same (rowid) order either way: through the SensorId index when the sensor
    // owns a small share of the table, by a plain table scan when it owns much of it (a lookup per
    // row through the index would then cost more than reading the table).
    sqlite3_int64 span = 0;
    if (sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(
            conn.db, "select (select max(rowid) from SensorData) - (select min(rowid) from SensorData) + 1",
            -1, &s, nullptr) == SQLITE_OK) {
        if (sqlite3_step(s) == SQLITE_ROW) span = sqlite3_column_int64(s, 0);
        sqlite3_finalize(s);
    }
    const bool scan = total * 4 > span;
    sqlite3_stmt* rows = nullptr;
    if (sqlite3_prepare_v2(conn.db, scan ? kExportScanSql : kExportSql, -1, &rows, nullptr) != SQLITE_OK) {
        sqlite3_finalize(rows);
        result.errorText = std::string("SQL Compile Failed: ") + sqlite3_errmsg(conn.db);
        return result;
    }
    sqlite3_bind_text(rows, 1, job.key.data(), static_cast<int>(job.key.size()), SQLITE_STATIC);

    std::string buffer;
    buffer.reserve(kChunkBytes + 4096);
    const int columns = sqlite3_column_count(rows);
    for (int c = 0; c < columns; ++c) {
        if (c) buffer.push_back(',');
        const char* name = sqlite3_column_name(rows, c);
        appendCsvField(buffer, name ? name : "");
    }
    buffer.push_back('\n');

    bool writeFailed = false;
    auto flush = [&] {
        if (!buffer.empty() && std::fwrite(buffer.data(), 1, buffer.size(), file) != buffer.size())
            writeFailed = true;
        buffer.clear();
    };

    sqlite3_int64 written = 0;
    int lastPercent = -1;
    int stepped;
    while ((stepped = sqlite3_step(rows)) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            if (c) buffer.push_back(',');
            const auto* v = reinterpret_cast<const char*>(sqlite3_column_text(rows, c));
            if (v)
                appendCsvField(buffer,
                               std::string_view(v, static_cast<std::size_t>(sqlite3_column_bytes(rows, c))));
        }
        buffer.push_back('\n');
        if (buffer.size() > kChunkBytes) flush();
        ++written;
        const int percent = static_cast<int>(written * 100 / total);
        if (percent != lastPercent) {
            lastPercent = percent;
            if (progress) progress(percent);
        }
    }
    std::string readFailure;
    if (stepped != SQLITE_DONE)  // a damaged page part way: the file would pass for complete
        readFailure =
            withReason(lookup(text, "IDS_Tab_Acquisition_DatabaseLinkedError"), conn.db, stepped, job.dbPath);
    sqlite3_finalize(rows);
    flush();
    if (!readFailure.empty() && !writeFailed) {
        result.errorText = readFailure;
        return result;
    }
    if (writeFailed || !out.commit()) {
        // A full disk must not pass for a finished export.
        result.errorText = out.refusal() != OutputRefusal::None
                               ? exportTargetProblem(job, text)
                               : lookup(text, "IDS_Tab_Acquisition_CSVfailed");
        return result;
    }
    if (progress) progress(100);
    result.outcome = kExportDone;
    return result;
}

std::string exportMessage(const ExportResult& r, const std::string& filePath, const TextLookup& text) {
    switch (r.outcome) {
        case kExportDone:
            return lookup(text, "IDS_Tab_Acquisition_ExportedTo") + "：\r\n" + filePath;
        case kExportNoData:
            return lookup(text, "IDS_Tab_Acquisition_NoData");
        default:
            return r.errorText;
    }
}

CsvExportWorker::~CsvExportWorker() {
    wait();
}

bool CsvExportWorker::start(ExportJob job, TextLookup text, Progress progress, Completion completion,
                            LinkHold hold) {
    std::lock_guard lock(threadMutex_);
    if (running_.load()) return false;
    if (thread_.joinable()) thread_.join();
    running_ = true;
    thread_ = std::thread([this, job = std::move(job), text = std::move(text), progress = std::move(progress),
                           completion = std::move(completion), hold = std::move(hold)]() mutable {
        const ExportResult r = exportCsv(job, text, progress);
        hold.release();
        // Free before the completion is announced: whoever hears it may start the next export at once.
        running_ = false;
        if (completion) completion(r);
    });
    return true;
}

void CsvExportWorker::wait() {
    std::lock_guard lock(threadMutex_);
    if (thread_.joinable()) thread_.join();
}

}  // namespace talvex::acquisition
