// English texts of the production pages and operations; appended to the main English table.
#include "../language_tables.hpp"

namespace talvex::tables {

const std::string_view kProductionEnglish = R"TABLE([String]
IDS_Workbook_Read=Workbook read.
IDS_Workbook_NotFound=The file cannot be read: it does not exist or is not accessible.
IDS_Workbook_NotWorkbook=This file is not a workbook (.xlsx, .xls, .ods or .csv).
IDS_Workbook_Encrypted=The workbook is password-protected. Save it without a password and try again.
IDS_Workbook_Truncated=The workbook file is incomplete (cut short). Copy it again.
IDS_Workbook_TooLarge=The workbook is too large to read.
IDS_Workbook_Damaged=The workbook is damaged and cannot be read.
IDS_Workbook_Saved=Workbook saved.
IDS_Workbook_BadList=The list cannot be written as a workbook.
IDS_Workbook_CannotCreate=No file can be created in this folder.
IDS_Workbook_WriteFailed=Writing the workbook failed; an existing file of that name is unchanged.
IDS_Workbook_CannotReplace=The new workbook could not replace the existing file, which is unchanged.
)TABLE";

}  // namespace talvex::tables
