// Chinese texts of the main window's own additions and of why a port would not open; appended to the
// main Chinese table.
#include "../language_tables.hpp"

namespace talvex::tables {

const std::string_view kWindowChinese = R"TABLE([String]
IDS_Window_SimulatedBus=模拟传感器总线
IDS_Window_ViewMenu=视图(&V)
IDS_Window_ProductionPages=生产页面(&P)
IDS_Window_HelpMenu=帮助(&H)
IDS_Window_PortClosedByError=串口读写出错，已被关闭。设备恢复后请重新连接。
IDS_Window_NotASensorIdRange=“%1”既不是传感器 ID 1..247，也不是 1-3 这样的 ID 范围（较小的 ID 在前）。
IDS_Operation_Busy=另一个操作正在进行：%1。请等它结束或先停止它，然后重试。
IDS_Operation_BusyUnnamed=另一个操作正在进行。请等它结束或先停止它，然后重试。
IDS_Window_AboutItem=关于 Talvex(&A)...
IDS_Window_AboutTitle=关于 Talvex
IDS_Window_AboutVersion=Talvex，1.367版
IDS_List_Copy=复制(&C)
IDS_List_DeleteQuestion=删除传感器 %1 的全部测量数据？此操作无法撤销。
IDS_List_ExportWaiting=Waiting！
IDS_Port_Missing=%1 不存在
IDS_Port_Busy=%1 正被其他程序使用
IDS_Port_Denied=没有权限打开 %1（请把用户加入 dialout 组：sudo usermod -aG dialout $USER，然后重新登录）
IDS_Port_Unsupported=%1 不是串口，或不接受这些线路设置
IDS_Port_BadNumber=COM 串口号的范围是 1 至 99
IDS_Port_BadSettings=%1：不支持这些线路设置（停止位 0 或 2，校验 0 至 4，数据位 5 至 8）
IDS_Port_NotOpened=无法打开 %1
IDS_Port_NoSimulatedBus=本程序没有模拟总线
IDS_Port_SimulatedBusFailed=模拟总线无法启动：%1
IDS_Startup_ModelNeedsName=--model 需要一个型号名称
IDS_Startup_UnknownModel=未知型号：%1
IDS_Startup_DataDirNeedsDir=--data-dir 需要一个目录
IDS_Startup_UnknownArgument=未知参数：%1
IDS_Startup_OptionTwice=选项 %1 给出了两次
)TABLE";

}  // namespace talvex::tables
