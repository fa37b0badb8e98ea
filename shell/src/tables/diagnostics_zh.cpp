// Chinese texts of the diagnostics pages and operations; appended to the main Chinese table.
#include "../language_tables.hpp"

namespace talvex::tables {

const std::string_view kDiagnosticsChinese = R"TABLE([String]
IDS_Diag_ViewTraffic=总线通信(&B)
IDS_Diag_Title=总线通信
IDS_Diag_Sensor=传感器
IDS_Diag_Function=功能码
IDS_Diag_All=全部
IDS_Diag_Pause=暂停
IDS_Diag_Clear=清除
IDS_Diag_Export=导出CSV...
IDS_Diag_ExportDone=已导出报文：
IDS_Diag_ExportFailed=无法写入文件：
IDS_Diag_ExportNothing=没有可导出的报文。
IDS_Diag_Frames=显示报文数：
IDS_Diag_Statistics=各传感器通信统计
IDS_Diag_ColSeq=序号
IDS_Diag_ColTime=时间
IDS_Diag_ColDirection=方向
IDS_Diag_ColOutcome=结果
IDS_Diag_ColResponse=响应时间(ms)
IDS_Diag_ColSummary=内容
IDS_Diag_ColBytes=字节(十六进制)
IDS_Diag_Request=请求
IDS_Diag_Response=响应
IDS_Diag_Outcome0=已发送
IDS_Diag_Outcome1=发送失败
IDS_Diag_Outcome2=应答
IDS_Diag_Outcome3=异常应答
IDS_Diag_Outcome4=CRC错误
IDS_Diag_Outcome5=从站地址不符
IDS_Diag_Outcome6=功能码不符
IDS_Diag_Outcome7=字节数不符
IDS_Diag_Outcome8=回显不符
IDS_Diag_Outcome9=超时
IDS_Diag_Outcome10=应答不完整
IDS_Diag_Outcome11=迟到
IDS_Diag_Outcome12=历史数据流
IDS_Diag_StatRequests=请求
IDS_Diag_StatAnswers=应答
IDS_Diag_StatTimeouts=超时
IDS_Diag_StatCrc=CRC错误
IDS_Diag_StatOther=其他错误
IDS_Diag_StatRetries=重试
IDS_Diag_StatExceptions=异常应答
IDS_Diag_StatMin=最短(ms)
IDS_Diag_StatMedian=中位数(ms)
IDS_Diag_StatP99=99%分位(ms)
IDS_Diag_StatLastFailure=最近一次故障
IDS_Diag_TipNoTraffic=尚未与该传感器通信
)TABLE";

}  // namespace talvex::tables
