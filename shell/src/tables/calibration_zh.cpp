// Chinese texts of the calibration pages and operations; appended to the main Chinese table.
#include "../language_tables.hpp"

namespace talvex::tables {

const std::string_view kCalibrationChinese = R"TABLE([String]
IDS_Tab_Cal_RefNotWhole=标准值：请输入 0 到 2147483647 之间的整数（PPM）。未发送任何数据。
IDS_Tab_Cal_RefNotNumber=标准值：请输入数字，例如 101.3。未发送任何数据。
IDS_Tab_Cal_RefPressureRange=标准值：请输入 1 到 1000 KPa 之间的压力。未发送任何数据。
IDS_Tab_Cal_BadFlowSetpoint=设定质量流量：请输入 0 到 1000 之间的整数（mL/min）。未发送任何数据。
IDS_Tab_Cal_WlessNoProgress=无线传感器在三个发送间隔内无进展：校准已停止。请重新执行校准步骤。
IDS_Tab_Cal_WlessCancelled=无线校准已取消。请重新执行校准步骤。
IDS_Tab_Cal_WlessCancel=取消
IDS_Tab_Cal_NotConfirmed=校准未确认：传感器没有应答校准命令，可能已校准，也可能没有。请重新读取数值，必要时再次校准。
IDS_Tab_Cal_WlessStopped=无线校准已停止：串口已关闭或已选择其他传感器。请重新执行校准步骤。
IDS_Tab_Cal_Type=校准类型：
IDS_Tab_Cal_Measured=测量值：
IDS_Tab_Cal_Reference=标准值：
IDS_Tab_Cal_MassFlow=质量流量：
IDS_Tab_Cal_FlowTemp=温度：
)TABLE";

}  // namespace talvex::tables
