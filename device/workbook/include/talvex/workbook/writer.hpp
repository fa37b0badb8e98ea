// Writes a list of texts (column headers with pixel widths, then rows) as a new .xlsx workbook:
// headers from A1, column widths pixel/6 characters, row 1 fifty points high and vertically centred,
// data from A2 as text. The file is placed by the output-file rule (talvex/output_file.hpp): written
// beside the target under a temporary name and renamed over it only when complete, so a failed export
// leaves an existing file as it was.
#pragma once

#include <string>
#include <vector>

#include "talvex/output_file.hpp"

namespace talvex::workbook {

struct ListColumn {
    std::string header;
    int widthPixels = 0;
};

struct TextList {
    std::vector<ListColumn> columns;             // at most 26 (A..Z)
    std::vector<std::vector<std::string>> rows;  // short rows are padded with empty cells
};

enum class WriteError {
    None,
    BadList,        // no columns, more than 26, or a row longer than the header
    CannotCreate,   // the temporary file could not be made (folder missing or not writable)
    WriteFailed,    // the library failed while writing (disk full, ...)
    CannotReplace,  // the finished file could not take the target's name
    Refused,        // the output-file rule keeps the target off (refusal says why)
};

struct WriteResult {
    WriteError error = WriteError::None;
    std::string detail;
    OutputRefusal refusal = OutputRefusal::None;
    bool ok() const { return error == WriteError::None; }
};

WriteResult writeList(const TextList& list, const std::string& path, const OutputRule& rule);

const char* writeErrorKey(WriteError e);

}  // namespace talvex::workbook
