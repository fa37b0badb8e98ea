// Internal: two liberties that .xlsx writers other than spreadsheet programs take, and that the
// import library does not follow. Some name parts by absolute paths in their relationships
// ("/xl/worksheets/sheet1.xml"): the library then finds no worksheet and the sheet reads empty. Some
// keep texts in the cell itself (inline strings) instead of the shared string table: the library skips
// those cells. Both would lose a production list's texts without a word.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace talvex::workbook {

// The package with every absolute relationship target made relative to its source part, rebuilt
// as an uncompressed zip; nullopt when no target needed it.
std::optional<std::string> withRelativeTargets(std::string_view zip);

struct InlineStringCell {
    int row = 0;  // zero-based
    int column = 0;
    std::string text;
};

struct InlineStrings {
    std::vector<InlineStringCell> cells;
    bool placeable = true;  // false: an inline string cell without a reference cannot be placed
};

// The entries as an uncompressed zip with correct checksums (what the package is rebuilt as).
std::string storedZip(const std::vector<std::pair<std::string, std::string>>& entries);

// The inline string cells of the package's first worksheet.
InlineStrings firstSheetInlineStrings(std::string_view zip);

// The name of the first XML part (.xml, .rels) of an .xlsx or .ods package that is not one whole
// document: cut short, unbalanced or not XML at all; nullopt when every one is whole. The import
// library reads a sheet part that ends early as if it ended there.
std::optional<std::string> firstIncompleteXmlPart(std::string_view zip);

}  // namespace talvex::workbook
