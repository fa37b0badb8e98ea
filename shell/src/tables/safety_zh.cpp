// Chinese texts of the safety pages and operations; appended to the main Chinese table.
#include "../language_tables.hpp"

namespace talvex::tables {

const std::string_view kSafetyChinese = R"TABLE([String]
IDS_Safety_ConfigReadOnly=Config.ini 为只读文件，通道修改不会保存到该文件
IDS_Safety_ConfigNotWritten=Config.ini 无法写入
IDS_Safety_ConfigDefaultsInMemory=Config.ini 无法写入，默认通道仅保存在内存中
IDS_Safety_ConfigUnreadable=Config.ini 无法读取，使用默认设置
IDS_Safety_ConfigGarbled=Config.ini 含有非文本字节，已被替换
IDS_Safety_ConfigNoChannel=Config.ini 中没有通道，使用默认设置
IDS_Safety_ConfigUnconverted=Config.ini 未转换
IDS_Safety_ConfigTooManyEntries=其中的条目无法完整转换
IDS_Safety_ConfigRestored=Config.ini 语言转换结果不完整，已恢复原文件
IDS_Safety_SettingsNotWritten=setting.ini 无法写入
IDS_Safety_ExportOverOwnFile=导出不会覆盖测量数据库或设置文件，请选择其他文件
IDS_Safety_RecordsNotStored=测量数据未能保存到数据库，在数据库恢复之前将被丢弃
IDS_Safety_RecordsStoredAgain=测量数据已恢复保存到数据库，期间丢弃的记录数：
IDS_Safety_ExportExists=文件已存在，使用 --force 替换
IDS_Safety_ExportNotRegular=只替换普通文件；这是文件夹、设备或其他特殊文件
)TABLE";

}  // namespace talvex::tables
