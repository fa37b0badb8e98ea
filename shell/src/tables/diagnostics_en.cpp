// English texts of the diagnostics pages and operations; appended to the main English table.
#include "../language_tables.hpp"

namespace talvex::tables {

const std::string_view kDiagnosticsEnglish = R"TABLE([String]
IDS_Diag_ViewTraffic=&Bus traffic
IDS_Diag_Title=Bus traffic
IDS_Diag_Sensor=Sensor
IDS_Diag_Function=Function
IDS_Diag_All=All
IDS_Diag_Pause=Pause
IDS_Diag_Clear=Clear
IDS_Diag_Export=Export CSV...
IDS_Diag_ExportDone=Frames exported:
IDS_Diag_ExportFailed=The file could not be written:
IDS_Diag_ExportNothing=No frames to export.
IDS_Diag_Frames=Frames shown:
IDS_Diag_Statistics=Link statistics per sensor
IDS_Diag_ColSeq=No.
IDS_Diag_ColTime=Time
IDS_Diag_ColDirection=Direction
IDS_Diag_ColOutcome=Outcome
IDS_Diag_ColResponse=Response (ms)
IDS_Diag_ColSummary=Content
IDS_Diag_ColBytes=Bytes (hex)
IDS_Diag_Request=Request
IDS_Diag_Response=Response
IDS_Diag_Outcome0=Sent
IDS_Diag_Outcome1=Send failed
IDS_Diag_Outcome2=Answer
IDS_Diag_Outcome3=Exception
IDS_Diag_Outcome4=CRC error
IDS_Diag_Outcome5=Wrong slave
IDS_Diag_Outcome6=Wrong function
IDS_Diag_Outcome7=Wrong byte count
IDS_Diag_Outcome8=Echo mismatch
IDS_Diag_Outcome9=Time-out
IDS_Diag_Outcome10=Truncated
IDS_Diag_Outcome11=Late
IDS_Diag_Outcome12=History stream
IDS_Diag_StatRequests=Requests
IDS_Diag_StatAnswers=Answers
IDS_Diag_StatTimeouts=Time-outs
IDS_Diag_StatCrc=CRC errors
IDS_Diag_StatOther=Other errors
IDS_Diag_StatRetries=Retries
IDS_Diag_StatExceptions=Exceptions
IDS_Diag_StatMin=Min (ms)
IDS_Diag_StatMedian=Median (ms)
IDS_Diag_StatP99=99th pct. (ms)
IDS_Diag_StatLastFailure=Last failure
IDS_Diag_TipNoTraffic=No traffic with this sensor yet
)TABLE";

}  // namespace talvex::tables
