// Chinese texts of the main window's own additions; appended to the main Chinese table.
#include "../language_tables.hpp"

namespace talvex::tables {

const std::string_view kWindowChinese = R"TABLE([String]
IDS_Window_SimulatedBus=模拟传感器总线
IDS_Window_ViewMenu=视图(&V)
IDS_Window_ProductionPages=生产页面(&P)
IDS_Window_HelpMenu=帮助(&H)
IDS_Window_PortClosedByError=串口读写出错，已被关闭。设备恢复后请重新连接。
IDS_Window_AboutItem=关于 Talvex(&A)...
IDS_Window_AboutTitle=关于 Talvex
IDS_Window_AboutVersion=Talvex，1.367版
IDS_List_Copy=复制(&C)
IDS_List_DeleteQuestion=删除传感器 %1 的全部测量数据？此操作无法撤销。
IDS_List_ExportWaiting=Waiting！
)TABLE";

}  // namespace talvex::tables
