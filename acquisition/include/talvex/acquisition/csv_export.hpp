// CSV export of one sensor's measurements: a synchronous routine (CLI, tests) and a one-at-a-time
// worker thread with progress and completion callbacks (the acquisition page).
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "talvex/acquisition/link_arbiter.hpp"
#include "talvex/acquisition/measurement_db.hpp"

namespace talvex::acquisition {

enum ExportOutcome : int { kExportDone = 0, kExportError = 1, kExportNoData = 2 };

struct ExportJob {
    std::string dbPath;
    std::string key;       // sensor ID as "%u"
    std::string filePath;  // the chosen file
    // An existing file at filePath is replaced only when set (the window's save dialog has asked;
    // the CLI's --force).
    bool overwrite = false;
    // Files an export must never replace besides the database (Config.ini, setting.ini).
    std::vector<std::string> keepOff = {};
};

struct ExportResult {
    int outcome = kExportError;
    std::string errorText;  // for kExportError
};

// A value as one CSV field: quoted, with quotes doubled, when it holds a quote, a comma or a line feed.
void appendCsvField(std::string& out, std::string_view value);

// Why the export must not write filePath (it is the database, its -wal or -shm, a file of keepOff, or
// an existing file without overwrite); empty when it may.
std::string exportTargetProblem(const ExportJob& job, const TextLookup& text);

// Writes BOM, header and rows into a temporary file beside filePath, renamed over it when complete;
// progress(percent) is called whenever the percent changes, and with 100 once more at the end. No file is
// written when the sensor has no rows.
ExportResult exportCsv(const ExportJob& job, const TextLookup& text,
                       const std::function<void(int)>& progress);

// The text shown for an outcome ("Exported to：\r\n<path>", "No data ...", or the error text).
std::string exportMessage(const ExportResult& r, const std::string& filePath, const TextLookup& text);

class CsvExportWorker {
  public:
    ~CsvExportWorker();
    using Progress = std::function<void(int percent)>;
    using Completion = std::function<void(const ExportResult& result)>;

    // Starts the export on its own thread unless one is running (then false: the caller shows
    // "Waiting！"). The hold, if any, is released before completion is called.
    bool start(ExportJob job, TextLookup text, Progress progress, Completion completion, LinkHold hold = {});
    bool running() const { return running_.load(); }
    // Waits for a started export to finish (used at shutdown and by headless callers).
    void wait();

  private:
    std::atomic<bool> running_{false};
    std::mutex threadMutex_;  // guards thread_
    std::thread thread_;
};

}  // namespace talvex::acquisition
