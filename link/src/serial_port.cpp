// Platform-independent half of CSerialPort.
#include "talvex/serial_port.hpp"

namespace talvex {

CSerialPort::~CSerialPort() {
    Close();
}

}  // namespace talvex
