// English texts of the main window's own additions, of the texts the program always showed the same
// in every language (kept so here: the About box, "Waiting！", the list's copy item) and of why a
// port would not open (the window and the command line); appended to the main English table.
#include "../language_tables.hpp"

namespace talvex::tables {

const std::string_view kWindowEnglish = R"TABLE([String]
IDS_Window_SimulatedBus=Simulated sensor bus
IDS_Window_ViewMenu=&View
IDS_Window_ProductionPages=&Production pages
IDS_Window_HelpMenu=&Help
IDS_Window_PortClosedByError=The serial port was closed after a read or write error. Connect again when the device is back.
IDS_Window_NotASensorIdRange="%1" is neither a sensor ID 1..247 nor a range of them such as 1-3 (the lower ID first).
IDS_Operation_Busy=Another operation is running: %1. Wait until it ends or stop it, then try again.
IDS_Operation_BusyUnnamed=Another operation is running. Wait until it ends or stop it, then try again.
IDS_Window_AboutItem=关于 Talvex(&A)...
IDS_Window_AboutTitle=关于 Talvex
IDS_Window_AboutVersion=Talvex，1.367版
IDS_List_Copy=复制(&C)
IDS_List_DeleteQuestion=Delete all measurements of sensor %1? This cannot be undone.
IDS_List_ExportWaiting=Waiting！
IDS_Port_Missing=%1 does not exist
IDS_Port_Busy=%1 is in use by another program
IDS_Port_Denied=no permission to open %1 (add your user to the dialout group: sudo usermod -aG dialout $USER, then log in again)
IDS_Port_Unsupported=%1 is not a serial port or refused the line settings
IDS_Port_BadNumber=COM port numbers run from 1 to 99
IDS_Port_BadSettings=%1: the line settings are not supported (stop bits 0 or 2, parity 0 to 4, 5 to 8 data bits)
IDS_Port_NotOpened=%1 could not be opened
IDS_Port_NoSimulatedBus=this program has no simulated bus
IDS_Port_SimulatedBusFailed=the simulated bus could not start: %1
IDS_Startup_ModelNeedsName=--model needs a model name
IDS_Startup_UnknownModel=unknown model: %1
IDS_Startup_DataDirNeedsDir=--data-dir needs a directory
IDS_Startup_UnknownArgument=unknown argument: %1
IDS_Startup_OptionTwice=option %1 given twice
)TABLE";

}  // namespace talvex::tables
