// English texts of the production pages and operations; appended to the main English table.
#include "../language_tables.hpp"

namespace talvex::tables {

const std::string_view kProductionEnglish = R"TABLE([String]
IDS_Prod_RunMode0=User mode
IDS_Prod_RunMode1=Command-line debugging
IDS_Prod_RunMode2=Temperature self-calibration
IDS_Prod_RunMode3=Heating off
IDS_Prod_RunMode4=Preheat 50°C
IDS_Prod_RunMode5=Calibration mode 70°C
IDS_Prod_RunMode6=Preheat 90°C
IDS_Prod_RunMode7=Preheat 110°C
IDS_Prod_RunMode8=Wireless preheat 20°C
IDS_Prod_RunMode9=Wireless preheat 30°C
IDS_Prod_RunMode10=Wireless preheat 40°C
IDS_Prod_RunMode11=Wireless preheat 60°C
IDS_Prod_RunMode12=Wireless preheat 80°C
IDS_Prod_RunMode13=Wireless preheat 100°C
IDS_Prod_RunMode14=Wireless 485-232
IDS_Prod_Title=Production
IDS_Load_Title=Import
IDS_Prod_Warning=Warning
IDS_Prod_Caution=Warning: only production calibration staff may change this data!
IDS_Prod_Start=Start
IDS_Prod_AutoPoll=Auto poll
IDS_Prod_Point1=>>First point
IDS_Prod_Point2=>>Second point
IDS_Prod_SensorTemperature=Sensor temperature (°C)
IDS_Prod_Read=Read
IDS_Prod_Write=Write
IDS_Prod_ActualTemperature=Actual temperature
IDS_Prod_Fine50=Fine adjustment at 50°C, reference gas (ppm)
IDS_Prod_Fine90=Fine adjustment at 90°C, reference gas (ppm)
IDS_Prod_Fine110=Fine adjustment at 110°C, reference gas (ppm)
IDS_Prod_ReferenceGas=Reference gas
IDS_Prod_Resistance20=20°C element resistance
IDS_Prod_Resistance=Element resistance
IDS_Prod_Measure=Measure
IDS_Prod_Signer=Person responsible
IDS_Prod_Sign=Sign
IDS_Prod_Export=Export data to a workbook
IDS_Prod_ReadOut=Read out
IDS_Prod_Wait=Please wait......
IDS_Prod_Clear=Clear
IDS_Prod_ColNumber=No.
IDS_Prod_ColParameter=Parameter
IDS_Prod_ColValue=Value
IDS_Prod_ColRemark=Remark
IDS_Prod_CommErrorNumbered=Communication error %02d!
IDS_Prod_CommError=Communication error!
IDS_Prod_OpenPortFirst=Please open the serial port first!
IDS_Prod_ConnectPortFirst=Please connect the serial port first!
IDS_Prod_SetOk=Set successfully!
IDS_Prod_SetFailed=Setting failed!
IDS_Prod_ChainSetOk=ID: %d   set successfully!
IDS_Prod_ChainSetFailed=ID: %d   setting failed! Retry?
IDS_Prod_ChainSetFailedAgain=ID: %d   setting failed!
IDS_Prod_ChoosePoint=Please choose first:\n    first point or second point!
IDS_Prod_ChainTemperature=ID: %d   temperature: %.2f 
IDS_Prod_HeatingOffFirst=Please switch the heating off first!
IDS_Prod_ConfirmCalibration=Calibrate now?
IDS_Prod_TempCalOk=Temperature calibrated!
IDS_Prod_TempCalFailed=Temperature calibration failed!
IDS_Prod_ChainTempCalOk=ID: %d  temperature calibrated!
IDS_Prod_ChainTempCalFailed=ID: %d  temperature calibration failed!
IDS_Prod_FineOk=Fine adjustment done!
IDS_Prod_FineFailed=Fine adjustment failed!
IDS_Prod_FineCommError=Communication error!
IDS_Prod_ChainFineOk=ID: %d  fine adjustment done!
IDS_Prod_ChainFineFailed=ID: %d  fine adjustment failed!
IDS_Prod_ChainFineOddFailed=ID: %d  fine adjustment failed (unexpected answer)!
IDS_Prod_ConfirmT2Res=Set T2Res  = %.9f\n
IDS_Prod_WriteOk=Written successfully!
IDS_Prod_WriteFailed=Write failed!
IDS_Prod_SignOk=Signed!
IDS_Prod_SignerEmpty=Please enter the person responsible first!
IDS_Prod_SignerTooLong=The name of the person responsible is too long (at most 20 bytes; a Chinese character takes 2)!
IDS_Prod_SignFirst=Please sign before exporting!
IDS_Prod_Saved=The file was saved as: %s
IDS_Prod_AutoPollConfirm=When ticked, the operations go to every enabled ID in turn
IDS_Prod_ExportFilter=Excel workbook (*.xlsx)
IDS_Prod_NoReadout=Please read out a sensor first!
IDS_Load_Import=Load data from a workbook
IDS_Load_ImportFilter=Workbook (*.xlsx;*.xls;*.ods;*.csv)
IDS_Load_Chain=Chain over enabled IDs
IDS_Load_NoEnabledChannel=Chain: no channel is enabled, nothing was written.
IDS_Load_Continued=Continue
IDS_Load_WriteMarked=Write marked
IDS_Load_ProductModel=Product model
IDS_Load_ProductNumber=Product number
IDS_Load_BoardNumber=PCB number
IDS_Load_CoreNumber=Core number
IDS_Load_BlockTemperatureCoefficients=Temperature coefficients
IDS_Load_BlockFineAdjustment=Fine-adjustment data
IDS_Load_BlockPcbCompensation=Circuit-board compensation
IDS_Load_BlockCoreCompensation=Core compensation
IDS_Load_BlockTemperatureCalibration=Temperature calibration coefficients
IDS_Load_BlockHydrogenCalibration=Hydrogen calibration
IDS_Load_BlockCalibrationRange=Calibration range
IDS_Load_BlockOilGas=Oil-gas differences
IDS_Load_BlockEquation=Core calibration equation
IDS_Load_BlockCoreTemperature=Core temperature data
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
IDS_Load_ChainWriteOk=ID: %d  written successfully!
IDS_Load_ChainWriteFailed=ID: %d  write failed!
IDS_Load_ContinuedConfirm=The marked blocks will now be written one after another
IDS_Load_ContinuedDone=All marked blocks written!
IDS_Load_NoneMarked=No block is marked!
IDS_Load_BadDate=The PD date "%s" is not a valid YYYYMMDD date!
IDS_Workbook_Read=Workbook read.
IDS_Workbook_NotFound=The file cannot be read: it does not exist or is not accessible.
IDS_Workbook_NotWorkbook=This file is not a workbook (.xlsx, .xls, .ods or .csv).
IDS_Workbook_Encrypted=The workbook is password-protected. Save it without a password and try again.
IDS_Workbook_Truncated=The workbook file is incomplete (cut short). Copy it again.
IDS_Workbook_TooLarge=The workbook is too large to read.
IDS_Workbook_Damaged=The workbook is damaged and cannot be read.
IDS_Workbook_BadText=The text in cell %1 is neither GBK nor UTF-8 and cannot be read; nothing was taken from the file.
IDS_Workbook_Saved=Workbook saved.
IDS_Workbook_BadList=The list cannot be written as a workbook.
IDS_Workbook_CannotCreate=No file can be created in this folder.
IDS_Workbook_WriteFailed=Writing the workbook failed; an existing file of that name is unchanged.
IDS_Workbook_CannotReplace=The new workbook could not replace the existing file, which is unchanged.
)TABLE";

}  // namespace talvex::tables
