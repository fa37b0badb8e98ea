// CSV files: the whole-file encoding decision, the line ends, the import library. What must hold
// besides not crashing: a refused file names a cell ("B7"); a decoded one is UTF-8 and has no CR left;
// the sheet checks of sheet_check.hpp.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "csv_text.hpp"
#include "loaders.hpp"
#include "sheet_check.hpp"

using namespace talvex::workbook;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const ReadLimits limits = fuzzLimits();
    const ContainerCheck c = checkContainer(bytes, true, limits);
    if (c.error != ReadError::None || c.format != SourceFormat::Csv) return 0;
    CsvText text = decodeCsvText(bytes);
    if (!text.utf8) {
        const std::string& cell = text.badCell;
        const std::size_t digits = cell.find_first_of("0123456789");
        FUZZ_CHECK(digits > 0 && digits != std::string::npos);
        FUZZ_CHECK(cell.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") == digits);
        FUZZ_CHECK(cell.find_first_not_of("0123456789", digits) == std::string::npos && cell[digits] != '0');
        return 0;
    }
    FUZZ_CHECK(talvex::isValidUtf8(*text.utf8));
    normaliseCsvLineEnds(*text.utf8);
    FUZZ_CHECK(text.utf8->find('\r') == std::string::npos);
    checkSheet(loadWithOrcus(*text.utf8, SourceFormat::Csv, limits), limits);
    return 0;
}
