// English texts of the main window's own additions and of the texts the program always showed the
// same in every language (kept so here: the About box, "Waiting！", the list's copy item); appended
// to the main English table.
#include "../language_tables.hpp"

namespace talvex::tables {

const std::string_view kWindowEnglish = R"TABLE([String]
IDS_Window_SimulatedBus=Simulated sensor bus
IDS_Window_ViewMenu=&View
IDS_Window_ProductionPages=&Production pages
IDS_Window_HelpMenu=&Help
IDS_Window_PortClosedByError=The serial port was closed after a read or write error. Connect again when the device is back.
IDS_Window_AboutItem=关于 Talvex(&A)...
IDS_Window_AboutTitle=关于 Talvex
IDS_Window_AboutVersion=Talvex，1.367版
IDS_List_Copy=复制(&C)
IDS_List_DeleteQuestion=Delete all measurements of sensor %1? This cannot be undone.
IDS_List_ExportWaiting=Waiting！
)TABLE";

}  // namespace talvex::tables
