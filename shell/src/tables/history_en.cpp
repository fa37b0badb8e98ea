// English texts of the history pages and operations; appended to the main English table.
#include "../language_tables.hpp"

namespace talvex::tables {

const std::string_view kHistoryEnglish = R"TABLE([String]
IDS_Tab_Query_Stop=Stop
IDS_Tab_Query_BadCount=Enter the number of records as a whole number from 0 to 4294967295.
IDS_Tab_Query_BadInterval=Enter the storage interval as whole minutes from 1 to 65535.
IDS_Tab_Query_OtherFormat=The records are in the %s format: choose %s.
IDS_Tab_Query_Damaged=%d damaged records skipped.
IDS_Tab_Query_PortClosedRead=The serial port closed during the read; the %1 history records that arrived before it are kept.
)TABLE";

}  // namespace talvex::tables
