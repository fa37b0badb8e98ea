// Chinese texts of the fitting pages and operations; appended to the main Chinese table.
#include "../language_tables.hpp"

namespace talvex::tables {

const std::string_view kFittingChinese = R"TABLE([String]
IDS_Fit_PageCaption=标定数据处理
IDS_Fit_Load=加载标定数据
IDS_Fit_FitButton=分段拟合
IDS_Fit_ChooseChannel=选择通道：
IDS_Fit_SensorId=传感器ID：
IDS_Fit_DeviceDetails=获取设备标定数据详情
IDS_Fit_KindLowSegment=无线低温段标定数据
IDS_Fit_KindHighSegment=无线高温段标定数据
IDS_Fit_KindReference=无线高低温基准数据
IDS_Fit_KindTemperature=无线高低温测温数据
IDS_Fit_FileFilter=表格文件
IDS_Fit_RowSelected=第%d行ID为 %d 是被选中状态
IDS_Fit_NoConfigId=未选择配置ID
IDS_Fit_LoadFailed=无法读取该文件：
IDS_Fit_OpenPortFirst=请先打开串口！
IDS_Fit_Warning=警告
IDS_Fit_CommError=通信错误！
IDS_Fit_WriteOk=写入成功！
IDS_Fit_WriteFailed=写入失败！
IDS_Fit_CheckSegment=请确认高低温段选择！
IDS_Fit_Singular=所选数据点少于三个不同的横坐标，无法拟合，未显示系数。
IDS_Fit_NotFinite=拟合结果不是有限数值，未显示系数。
IDS_Fit_BreakpointOrder=分段点须依次增大：P0 < P1 < P2 < P3。
IDS_Fit_PointOrder=起始点、基准点与终点须依次不减。
IDS_Fit_TooManyPoints=所选范围超过20个数据点。
IDS_Fit_PastData=所选数据点超出该行的数据。
IDS_Fit_EmptyCell=所选数据点的单元格%1为空：未拟合，未写入任何数据。
IDS_Fit_NotANumber=所选数据点的单元格%1的内容“%2”不是数字：未拟合，未写入任何数据。
IDS_Fit_ValueOutOfRange=%s = %s 超出可写入的范围，未写入任何数据。
IDS_Fit_BadSensorId=传感器ID %d 不是有效的地址（1..247）。
IDS_Fit_Busy=另一项操作正在进行，请稍候。
IDS_Fit_PiecewiseTitle=分段拟合
IDS_Fit_DifferenceTitle=温差补偿拟合
IDS_Fit_CoefficientTitle=测温系数拟合
IDS_Fit_Confirm=确定
IDS_Fit_StartFit=开\n始\n拟\n合
IDS_Fit_Write=写\n入
IDS_Fit_WriteLow=低\n温\n段\n写\n入
IDS_Fit_WriteHigh=高\n温\n段\n写\n入
IDS_Fit_RSquared=R平方值
IDS_Fit_SegmentRSquared=本段R平方值
IDS_Fit_ColIndex=序号
IDS_Fit_ColX=横坐标
IDS_Fit_ColY=纵坐标
IDS_Fit_ColLowT=实测低T
IDS_Fit_ColLowR=低浓度R
IDS_Fit_ColLowDiff=低温差R
IDS_Fit_ColHighT=实测高T
IDS_Fit_ColHighR=高浓度R
IDS_Fit_ColHighDiff=高温差R
IDS_Fit_SegmentChoice=高低温段选择
IDS_Fit_LowSegment=低温段基准数据
IDS_Fit_HighSegment=高温段基准数据
IDS_Fit_StartTemp=起始温度
IDS_Fit_ReferenceTemp=基准温度
IDS_Fit_EndTemp=终点温度
IDS_Fit_PointChoice=测温温度点选择
IDS_Fit_StartPoint=起始温度点
IDS_Fit_EndPoint=终点温度点
IDS_Fit_Segment=第%d段
)TABLE";

}  // namespace talvex::tables
