// Reads the first worksheet of a workbook file. The format is taken from the content (zip: .xlsx or
// .ods; compound file: .xls); a file that is neither is read as CSV when its name ends in .csv,
// decoded to UTF-8 as a whole (a byte-order mark decides, else GBK) before its cells are split.
// Never throws; a damaged, encrypted, truncated or oversized file gives an error kind, not a crash.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "talvex/workbook/sheet.hpp"

namespace talvex::workbook {

enum class ReadError {
    None,
    NotFound,     // no such file, or not readable
    NotWorkbook,  // neither .xlsx, .ods, .xls nor a .csv text
    Encrypted,    // password-protected
    Truncated,    // the file ends early
    TooLarge,     // beyond the limits below
    Damaged,      // the format library refused the content
    BadText,      // a CSV cell whose bytes are neither of the file's encoding nor UTF-8 (cell says which)
};

// Bounds that keep a hostile or mistaken file from exhausting memory or time.
struct ReadLimits {
    std::uint64_t maxFileBytes = 64ull << 20;
    std::uint64_t maxUnpackedBytes = 256ull << 20;  // sum of a zip's entries
    int maxRows = 100000;                           // absolute position of any used cell
    int maxColumns = 1024;
    std::uint64_t maxCells = 2000000;
};

struct ReadResult {
    Sheet sheet;
    ReadError error = ReadError::None;
    std::string detail;  // what the library said, for the log; may be empty
    std::string cell;    // BadText: the cell ("B7") that cannot be read
    bool ok() const { return error == ReadError::None; }
};

ReadResult readFirstSheet(const std::string& path, const ReadLimits& limits = {});

// The language-table key of an error's message ("IDS_Workbook_Encrypted", ...).
const char* readErrorKey(ReadError e);
// The message itself through the language table, naming the cell where it has one.
std::string readErrorMessage(const ReadResult& result,
                             const std::function<std::string(std::string_view)>& text);

}  // namespace talvex::workbook
