// Chinese texts of the production pages and operations; appended to the main Chinese table.
#include "../language_tables.hpp"

namespace talvex::tables {

const std::string_view kProductionChinese = R"TABLE([String]
IDS_Workbook_Read=工作簿已读取。
IDS_Workbook_NotFound=无法读取文件：文件不存在或无法访问。
IDS_Workbook_NotWorkbook=该文件不是工作簿（.xlsx、.xls、.ods 或 .csv）。
IDS_Workbook_Encrypted=工作簿受密码保护，请去掉密码另存后重试。
IDS_Workbook_Truncated=工作簿文件不完整（被截断），请重新复制。
IDS_Workbook_TooLarge=工作簿太大，无法读取。
IDS_Workbook_Damaged=工作簿已损坏，无法读取。
IDS_Workbook_Saved=工作簿已保存。
IDS_Workbook_BadList=该列表无法写成工作簿。
IDS_Workbook_CannotCreate=无法在此文件夹中创建文件。
IDS_Workbook_WriteFailed=写入工作簿失败；同名的原有文件未被改动。
IDS_Workbook_CannotReplace=新工作簿无法替换原有文件，原有文件未被改动。
)TABLE";

}  // namespace talvex::tables
