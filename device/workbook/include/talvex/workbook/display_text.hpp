// The text a spreadsheet shows for a number under a number format code: General, fixed decimals
// ("0", "0.00", "#,##0.00"), percent ("0.00%"), scientific ("0.00E+00", "##0.0E+0"), literal prefixes
// and suffixes, and sections for negative numbers and zero. Dates, times, fractions and conditions
// fall back to General.
#pragma once

#include <string>
#include <string_view>

namespace talvex::workbook {

std::string generalText(double value);
std::string displayText(double value, std::string_view formatCode);

// The code of a built-in .xlsx number format id (0 "General", 2 "0.00", 10 "0.00%", ...); "General"
// for the ids that have none here (dates, fractions, locale-dependent ones).
std::string_view builtinFormatCode(int id);

}  // namespace talvex::workbook
