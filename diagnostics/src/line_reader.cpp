// The listener's line goes through the link's own serial port (CSerialPort in listener mode): one
// place for the line settings, the speeds, the errors and the rule about who else holds the device.
#include "talvex/diagnostics/line_reader.hpp"

#include <algorithm>
#include <climits>

namespace talvex::diagnostics {

bool LineReader::open(const std::string& device, int baud, bool shared) {
    if (baud <= 0) {
        failure_ = PortOpenFailure::Unsupported;
        return false;
    }
    if (port_.OpenListener(device.c_str(), static_cast<std::uint32_t>(baud), shared) == 1) {
        failure_ = PortOpenFailure::None;
        return true;
    }
    failure_ = port_.lastOpenFailure();
    return false;
}

int LineReader::read(std::uint8_t* buffer, std::size_t size, std::int64_t timeoutUs) {
    return port_.readAvailable(buffer, static_cast<int>(std::min<std::size_t>(size, INT_MAX)), timeoutUs);
}

}  // namespace talvex::diagnostics
