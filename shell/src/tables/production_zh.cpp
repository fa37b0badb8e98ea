// Chinese texts of the production pages and operations; appended to the main Chinese table.
#include "../language_tables.hpp"

namespace talvex::tables {

const std::string_view kProductionChinese = R"TABLE([String]
IDS_Prod_RunMode0=用户模式
IDS_Prod_RunMode1=命令行调试
IDS_Prod_RunMode2=变温自校准
IDS_Prod_RunMode3=关闭加热
IDS_Prod_RunMode4=预热50℃
IDS_Prod_RunMode5=标定模式70℃
IDS_Prod_RunMode6=预热90℃
IDS_Prod_RunMode7=预热110℃
IDS_Prod_RunMode8=无线预热20℃
IDS_Prod_RunMode9=无线预热30℃
IDS_Prod_RunMode10=无线预热40℃
IDS_Prod_RunMode11=无线预热60℃
IDS_Prod_RunMode12=无线预热80℃
IDS_Prod_RunMode13=无线预热100℃
IDS_Prod_RunMode14=无线485-232
IDS_Prod_Title=生产参数
IDS_Load_Title=参数导入
IDS_Prod_Warning=警告
IDS_Prod_Caution=警告：非生产标定人员，请勿修改数据！
IDS_Prod_Start=开始
IDS_Prod_AutoPoll=自动轮询
IDS_Prod_Point1=>>第一点校准
IDS_Prod_Point2=>>第二点校准
IDS_Prod_SensorTemperature=传感器温度(℃)
IDS_Prod_Read=读取
IDS_Prod_Write=写入
IDS_Prod_ActualTemperature=实测温度
IDS_Prod_Fine50=50℃变温微调，输入标气浓度 (ppm)
IDS_Prod_Fine90=90℃变温微调，输入标气浓度 (ppm)
IDS_Prod_Fine110=110℃变温微调，输入标气浓度(ppm)
IDS_Prod_ReferenceGas=标气浓度
IDS_Prod_Resistance20=20℃测温电阻值
IDS_Prod_Resistance=测温电阻值
IDS_Prod_Measure=测温
IDS_Prod_Signer=标定数据责任人
IDS_Prod_Sign=签字
IDS_Prod_Export=导出配置数据到Excel文件
IDS_Prod_ReadOut=读取显示
IDS_Prod_Wait=请等待......
IDS_Prod_Clear=清空显示区
IDS_Prod_ColNumber=序号
IDS_Prod_ColParameter=参数
IDS_Prod_ColValue=数值
IDS_Prod_ColRemark=备注
IDS_Prod_CommErrorNumbered=通信错误%02d！
IDS_Prod_CommError=通信错误！
IDS_Prod_OpenPortFirst=请先打开串口！
IDS_Prod_ConnectPortFirst=请先连接串口！
IDS_Prod_SetOk=设置成功！
IDS_Prod_SetFailed=设置失败！
IDS_Prod_ChainSetOk=ID: %d   设置成功！
IDS_Prod_ChainSetFailed=ID: %d   设置失败！
IDS_Prod_ChainSetFailedAgain=ID: %d   设置失败！
IDS_Prod_ChoosePoint=请先选择：\n    第1点校准 或是 第2点校准！
IDS_Prod_ChainTemperature=ID： %d   温度： %.2f 
IDS_Prod_HeatingOffFirst=请先关闭加热！
IDS_Prod_ConfirmCalibration=确定校准？
IDS_Prod_TempCalOk=温度校准成功！
IDS_Prod_TempCalFailed=温度校准失败！
IDS_Prod_ChainTempCalOk=ID： %d  温度校准成功！
IDS_Prod_ChainTempCalFailed=ID： %d  温度校准失败！
IDS_Prod_FineOk=微调成功！
IDS_Prod_FineFailed=微调失败！
IDS_Prod_FineCommError=通讯错误！
IDS_Prod_ChainFineOk=ID： %d  微调成功！
IDS_Prod_ChainFineFailed=ID： %d  微调失败！
IDS_Prod_ChainFineOddFailed=ID： %d  微调成失败！
IDS_Prod_ConfirmT2Res=Set T2Res  = %.9f\n
IDS_Prod_WriteOk=写入成功！
IDS_Prod_WriteFailed=写入失败！
IDS_Prod_SignOk=签字成功！
IDS_Prod_SignerEmpty=请先输入标定数据责任人！
IDS_Prod_SignerTooLong=标定数据责任人的名字太长（最多20个字节，一个汉字占2个字节）！
IDS_Prod_SignFirst=请先确认签字后再导出！
IDS_Prod_Saved=文件已成功保存为：%s
IDS_Prod_AutoPollConfirm=勾选后，将按已启用的ID开始自动轮询
IDS_Prod_ExportFilter=Excel工作簿 (*.xlsx)
IDS_Prod_NoReadout=请先读取显示！
IDS_Load_Import=打开Excel加载配置数据
IDS_Load_ImportFilter=Excel File(*.xlsx;*.xls;*.ods;*.csv)
IDS_Load_Chain=自动轮询
IDS_Load_NoEnabledChannel=接续轮询：没有已启用的通道，未写入任何数据。
IDS_Load_Continued=接续
IDS_Load_WriteMarked=接续写入
IDS_Load_ProductModel=产品型号
IDS_Load_ProductNumber=产品编号
IDS_Load_BoardNumber=PCB编号
IDS_Load_CoreNumber=芯体编号
IDS_Load_BlockTemperatureCoefficients=温度系数
IDS_Load_BlockFineAdjustment=变温微调数据
IDS_Load_BlockPcbCompensation=PCB温度补偿
IDS_Load_BlockCoreCompensation=芯体温度补偿
IDS_Load_BlockTemperatureCalibration=温度校准系数
IDS_Load_BlockHydrogenCalibration=氢气校准值
IDS_Load_BlockCalibrationRange=标定量程
IDS_Load_BlockOilGas=油气差值
IDS_Load_BlockEquation=芯体标定方程
IDS_Load_BlockCoreTemperature=芯体温度数据
IDS_Load_ConfirmTemperatureCoefficients=Set ST_A  = %.9f\n Set ST_B  = %.9f\n Set ST_C  = %.9f\n 
IDS_Load_ConfirmFineAdjustment=Set m_Adj_50C  = %.4f\n Set m_Adj_90C  = %.4f\n Set m_Adj_110C  = %.4f\n 
IDS_Load_ConfirmPcbCompensation=Set PT_ka  = %.9f\n Set PT_kb  = %.9f\n
IDS_Load_ConfirmCoreCompensation=Set ST_ka  = %.9f\n Set ST_kb  = %.9f\n
IDS_Load_ConfirmTemperatureCalibration=Set ST_A  = %.9f\n Set ST_B  = %.9f\n 
IDS_Load_ConfirmHydrogenCalibration=Set m_DA  = %.9f\n Set m_DB  = %.9f\n Set m_DC  = %.9f\n 
IDS_Load_ConfirmCalibrationRange=Set m_RLow  = %.9f\n Set m_RHigh  = %.9f\n 
IDS_Load_ConfirmOilGas=Set m_OilAir_50C  = %.4f\n Set m_OilAir_70C  = %.4f\n Set m_OilAir_90C  = %.4f\n Set m_OilAir_110C  = %.4f\n 
IDS_Load_ConfirmEquation=Set P0 = %0.4f\n Set A1 = %0.9f\n Set B1 = %.9f\n Set C1 = %.9f\n Set P1 = %.4f\n Set A2 = %.9f\n Set B2 = %.9f\n Set C2 = %.9f\n Set P2 = %.4f\n Set A3 = %.9f\n Set B3 = %.9f\n Set C3 = %.9f\n Set P3 = %.4f\n 
IDS_Load_ConfirmCoreTemperature=Set VxxS  = %.4f\n Set Zero_50C  = %.4f\n Set Zero_70C  = %.4f\n Set Zero_90C  = %.4f\n Set Zero_110C  = %.4f\n Set 70C_1%%  = %.4f\n Set 7050_A  = %.4f\n Set 7050_B  = %.4f\n Set 7090_A  = %.4f\n Set 7090_B  = %.4f\n Set 70110_A  = %.4f\n Set 70110_B  = %.4f\n 
IDS_Load_ChainWriteOk=ID： %d  写入成功！
IDS_Load_ChainWriteFailed=ID： %d  写入失败！
IDS_Load_ContinuedConfirm=将按已勾选的接续，开始自动连续写入
IDS_Load_ContinuedDone=接续全部写入完成！
IDS_Load_NoneMarked=没有勾选接续框！
IDS_Load_BadDate=PD日期“%s”不是有效的YYYYMMDD日期！
IDS_Workbook_Read=工作簿已读取。
IDS_Workbook_NotFound=无法读取文件：文件不存在或无法访问。
IDS_Workbook_NotWorkbook=该文件不是工作簿（.xlsx、.xls、.ods 或 .csv）。
IDS_Workbook_Encrypted=工作簿受密码保护，请去掉密码另存后重试。
IDS_Workbook_Truncated=工作簿文件不完整（被截断），请重新复制。
IDS_Workbook_TooLarge=工作簿太大，无法读取。
IDS_Workbook_Damaged=工作簿已损坏，无法读取。
IDS_Workbook_BadText=单元格 %1 的文字既不是 GBK 也不是 UTF-8，无法读取；文件中的数据均未采用。
IDS_Workbook_Saved=工作簿已保存。
IDS_Workbook_BadList=该列表无法写成工作簿。
IDS_Workbook_CannotCreate=无法在此文件夹中创建文件。
IDS_Workbook_WriteFailed=写入工作簿失败；同名的原有文件未被改动。
IDS_Workbook_CannotReplace=新工作簿无法替换原有文件，原有文件未被改动。
)TABLE";

}  // namespace talvex::tables
