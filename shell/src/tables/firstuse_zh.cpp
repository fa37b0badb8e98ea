// Chinese texts of the firstuse pages and operations; appended to the main Chinese table.
#include "../language_tables.hpp"

namespace talvex::tables {

const std::string_view kFirstuseChinese = R"TABLE([String]
IDS_FirstUse_SensorIdRange=传感器ID必须是1到247之间的整数。
IDS_FirstUse_RateWhole=采集速率必须是0到255之间的整数秒。
IDS_FirstUse_PollTimeout=超时
IDS_FirstUse_PollCrc=CRC校验错误
IDS_FirstUse_PollException=异常码 %d
IDS_FirstUse_PollPortClosed=串口已关闭
IDS_FirstUse_PollBadReply=应答格式错误
IDS_FirstUse_OpenExported=现在打开该文件吗？
IDS_FirstUse_PortTyped=输入设备路径（例如 /dev/ttyUSB0）或从列表中选择串口。
)TABLE";

}  // namespace talvex::tables
