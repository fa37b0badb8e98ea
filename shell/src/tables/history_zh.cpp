// Chinese texts of the history pages and operations; appended to the main Chinese table.
#include "../language_tables.hpp"

namespace talvex::tables {

const std::string_view kHistoryChinese = R"TABLE([String]
IDS_Tab_Query_Stop=停止
IDS_Tab_Query_BadCount=请输入 0 到 4294967295 之间的整数记录条数。
IDS_Tab_Query_BadInterval=请输入 1 到 65535 之间的整数分钟作为存储间隔。
IDS_Tab_Query_OtherFormat=记录为 %s 格式：请选择 %s。
IDS_Tab_Query_Damaged=已跳过 %d 条损坏的记录。
IDS_Tab_Query_PortClosedRead=读取过程中串口已关闭；关闭前收到的 %1 条历史记录已保留。
)TABLE";

}  // namespace talvex::tables
