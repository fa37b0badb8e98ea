// Every file written for the user (CSV and workbook exports, history files, example sheets, and
// exports still to come) is placed by one rule: written under a new name made by mkstemp in the
// target's folder and renamed over the target when complete; only a regular file is ever replaced,
// an existing one only when replacing was asked for (--force, or a save dialog that asked); and never
// the data directory's SensorDB.db, Config.ini or setting.ini, whatever name reaches them.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace talvex {

enum class OutputRefusal {
    None,
    OwnFile,     // the measurement database (or its journal) or a settings file
    Exists,      // an existing file, and replacing it was not asked for
    NotRegular,  // a directory, device node, fifo, socket or dangling link: never replaced
};

struct OutputRule {
    bool replace = false;  // an existing regular file may be replaced
    // Files never written over besides the current data directory's own (another database, say).
    std::vector<std::string> keepOff = {};
};

// The current data directory's files that no output may replace: SensorDB.db with its -wal, -shm and
// -journal, Config.ini and setting.ini.
std::vector<std::string> dataDirectoryFiles();

// Why target may not be written under rule; None when it may. Files are compared by what they are, not
// by how they are named: device and inode of an existing file (a symlink or a hard link to the database
// is the database), the folder's device and inode and the name for one that does not exist yet
// (DIR/../DIR/./SensorDB.db-wal).
OutputRefusal outputRefusal(const std::string& target, const OutputRule& rule);

// The language-table key of a refusal's text.
const char* outputRefusalKey(OutputRefusal refusal);

// One output being written. open() checks the rule and makes the temporary file; the writer fills it
// through fd(), stream() or, for a library that opens files by name, temporaryPath(); commit() puts it
// in place. A file that is not committed is removed, so a failure leaves the target as it was.
class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // False when the rule refuses the target (refusal() says why) or no temporary file can be made in
    // its folder (error() holds errno). A symlink is followed: the file it names is what gets replaced.
    bool open(const std::string& target, const OutputRule& rule);
    int fd() const { return fd_; }
    // The descriptor as a stdio stream (made on first use; commit() flushes and closes it).
    std::FILE* stream();
    const std::string& temporaryPath() const { return temp_; }

    // Flushes the data to disk, checks the rule again (the target may have changed meanwhile) and
    // renames the temporary file over the target; without replace only while no file has that name.
    bool commit();
    // Removes the temporary file.
    void abandon();

    OutputRefusal refusal() const { return refusal_; }
    int error() const { return error_; }

  private:
    bool fail(int err);

    std::string target_;  // the resolved target
    std::string temp_;
    OutputRule rule_;
    int fd_ = -1;
    std::FILE* stream_ = nullptr;
    OutputRefusal refusal_ = OutputRefusal::None;
    int error_ = 0;
};

// Writes all of bytes to fd; false on a failed or short write.
bool writeAll(int fd, std::string_view bytes);

}  // namespace talvex
