// English texts of the fitting pages and operations; appended to the main English table.
#include "../language_tables.hpp"

namespace talvex::tables {

const std::string_view kFittingEnglish = R"TABLE([String]
IDS_Fit_PageCaption=Calibration data processing
IDS_Fit_Load=Load calibration data
IDS_Fit_FitButton=Piecewise fit
IDS_Fit_ChooseChannel=Channel:
IDS_Fit_SensorId=Sensor ID:
IDS_Fit_DeviceDetails=Read device calibration details
IDS_Fit_KindLowSegment=Wireless low-temperature segment calibration data
IDS_Fit_KindHighSegment=Wireless high-temperature segment calibration data
IDS_Fit_KindReference=Wireless high/low temperature reference data
IDS_Fit_KindTemperature=Wireless high/low temperature measurement data
IDS_Fit_FileFilter=Spreadsheet files
IDS_Fit_RowSelected=Row %d with ID %d is selected
IDS_Fit_NoConfigId=No configuration ID selected
IDS_Fit_LoadFailed=Cannot read the file:
IDS_Fit_OpenPortFirst=Please open the serial port first!
IDS_Fit_Warning=Warning
IDS_Fit_CommError=Communication error!
IDS_Fit_WriteOk=Write succeeded!
IDS_Fit_WriteFailed=Write failed!
IDS_Fit_CheckSegment=Please check the high/low temperature segment choice!
IDS_Fit_Singular=The chosen points have fewer than three different x values: no fit is possible, no coefficients are shown.
IDS_Fit_NotFinite=The fit gives values that are not finite numbers: no coefficients are shown.
IDS_Fit_BreakpointOrder=The breakpoints must increase: P0 < P1 < P2 < P3.
IDS_Fit_PointOrder=Start, reference and end points must not decrease.
IDS_Fit_TooManyPoints=The chosen range holds more than 20 points.
IDS_Fit_PastData=The chosen points lie beyond the row's data.
IDS_Fit_EmptyCell=Cell %1 of a chosen point is empty: no fit was made and nothing was written.
IDS_Fit_NotANumber=Cell %1 of a chosen point holds "%2", which is not a number: no fit was made and nothing was written.
IDS_Fit_ValueOutOfRange=%s = %s is out of the range that can be written; nothing was written.
IDS_Fit_BadSensorId=Sensor ID %d is not a valid address (1..247).
IDS_Fit_Busy=Another operation is running, please wait.
IDS_Fit_PiecewiseTitle=Piecewise fitting
IDS_Fit_DifferenceTitle=Temperature-difference compensation fitting
IDS_Fit_CoefficientTitle=Temperature-coefficient fitting
IDS_Fit_Confirm=OK
IDS_Fit_StartFit=Fit
IDS_Fit_Write=Write
IDS_Fit_WriteLow=Write low
IDS_Fit_WriteHigh=Write high
IDS_Fit_RSquared=R² (segments 1..k)
IDS_Fit_SegmentRSquared=R² of this segment
IDS_Fit_ColIndex=No.
IDS_Fit_ColX=x
IDS_Fit_ColY=y
IDS_Fit_ColLowT=Low T
IDS_Fit_ColLowR=Low conc. R
IDS_Fit_ColLowDiff=Low diff. R
IDS_Fit_ColHighT=High T
IDS_Fit_ColHighR=High conc. R
IDS_Fit_ColHighDiff=High diff. R
IDS_Fit_SegmentChoice=Temperature segment
IDS_Fit_LowSegment=Low-temperature reference data
IDS_Fit_HighSegment=High-temperature reference data
IDS_Fit_StartTemp=Start temperature
IDS_Fit_ReferenceTemp=Reference temperature
IDS_Fit_EndTemp=End temperature
IDS_Fit_PointChoice=Temperature points
IDS_Fit_StartPoint=Start point
IDS_Fit_EndPoint=End point
IDS_Fit_Segment=Segment %d
)TABLE";

}  // namespace talvex::tables
