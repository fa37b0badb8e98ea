// English texts of the calibration pages and operations; appended to the main English table.
#include "../language_tables.hpp"

namespace talvex::tables {

const std::string_view kCalibrationEnglish = R"TABLE([String]
IDS_Tab_Cal_RefNotWhole=Reference value: enter a whole number of PPM from 0 to 2147483647. Nothing was sent.
IDS_Tab_Cal_RefNotNumber=Reference value: enter a decimal number, for example 101.3. Nothing was sent.
IDS_Tab_Cal_RefPressureRange=Reference value: enter a pressure from 1 to 1000 KPa. Nothing was sent.
IDS_Tab_Cal_BadFlowSetpoint=Set Mass Flow: enter a whole number of mL/min from 0 to 1000. Nothing was sent.
IDS_Tab_Cal_WlessNoProgress=The wireless sensor has not moved on for three of its send intervals: calibration stopped. Please restart calibration steps.
IDS_Tab_Cal_WlessCancelled=Wireless calibration cancelled. Please restart calibration steps.
IDS_Tab_Cal_WlessCancel=Cancel
IDS_Tab_Cal_NotConfirmed=Calibration not confirmed: the sensor did not answer the calibrate command, so it may or may not have calibrated. Read the value again and calibrate again if needed.
IDS_Tab_Cal_WlessStopped=Wireless calibration stopped: the port was closed or another sensor was selected. Please restart calibration steps.
IDS_Tab_Cal_Type=Calibration type:
IDS_Tab_Cal_Measured=Measured value:
IDS_Tab_Cal_Reference=Reference value:
IDS_Tab_Cal_MassFlow=Mass Flow：
IDS_Tab_Cal_FlowTemp=Temperature:
)TABLE";

}  // namespace talvex::tables
