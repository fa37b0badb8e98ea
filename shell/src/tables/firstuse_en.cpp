// English texts of the firstuse pages and operations; appended to the main English table.
#include "../language_tables.hpp"

namespace talvex::tables {

const std::string_view kFirstuseEnglish = R"TABLE([String]
IDS_FirstUse_SensorIdRange=The sensor ID must be a whole number from 1 to 247.
IDS_FirstUse_RateWhole=The acquisition rate must be a whole number of seconds from 0 to 255.
IDS_FirstUse_PollTimeout=time-out
IDS_FirstUse_PollCrc=CRC error
IDS_FirstUse_PollException=exception %d
IDS_FirstUse_PollPortClosed=port closed
IDS_FirstUse_PollBadReply=malformed reply
IDS_FirstUse_OpenExported=Open the file now?
IDS_FirstUse_PortTyped=Type a device path (for example /dev/ttyUSB0) or pick a port from the list.
)TABLE";

}  // namespace talvex::tables
