#include "talvex/port_open_text.hpp"

#include "talvex/language.hpp"

namespace talvex {

std::string portOpenReason(PortOpenFailure reason, std::string_view device, std::string_view holder) {
    std::string why;
    switch (reason) {
        case PortOpenFailure::None:
            return {};
        case PortOpenFailure::Missing:
            why = GetTextWith("IDS_Port_Missing", {device});
            break;
        case PortOpenFailure::Busy:
            why = GetTextWith("IDS_Port_Busy", {device});
            // The holder ("held by PID 1234 (minicom)") comes from the link library as it is.
            if (!holder.empty()) why += " (" + std::string(holder) + ")";
            break;
        case PortOpenFailure::PermissionDenied:
            why = GetTextWith("IDS_Port_Denied", {device});
            break;
        case PortOpenFailure::Unsupported:
            why = GetTextWith("IDS_Port_Unsupported", {device});
            break;
        case PortOpenFailure::BadPortNumber:
            why = GetText("IDS_Port_BadNumber");
            break;
        case PortOpenFailure::BadSettings:
            why = GetTextWith("IDS_Port_BadSettings", {device});
            break;
        case PortOpenFailure::Other:
            break;
    }
    // Also a reason this build does not know.
    if (why.empty()) why = GetTextWith("IDS_Port_NotOpened", {device});
    return why;
}

}  // namespace talvex
