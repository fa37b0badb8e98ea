// Internal: the encoding of a CSV file, decided once for the whole file, never per cell.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace talvex::workbook {

struct CsvText {
    std::optional<std::string> utf8;  // the file's text without its byte-order mark
    std::string badCell;              // when utf8 is empty: the cell ("B7") whose bytes cannot be read
};

// A UTF-8 byte-order mark says UTF-8. Without one the file is GBK, what a spreadsheet application
// saves as CSV in a Chinese locale; only a file that cannot be GBK and is UTF-8 throughout is read as
// UTF-8. Bytes that fit neither are never replaced: the file is refused naming the first such cell.
CsvText decodeCsvText(std::string_view bytes);

// The CSV parser splits lines at LF only: CR LF and a lone CR become LF.
void normaliseCsvLineEnds(std::string& text);

}  // namespace talvex::workbook
