// Platform-independent half of CSerialPort.
#include "talvex/serial_port.hpp"

namespace talvex {

CSerialPort::~CSerialPort() {
    Close();
}

unsigned CSerialPort::characterTimeout(std::uint32_t baudRate) {
    if (baudRate == 0) return 1;
    const double m = 16500.0 / static_cast<double>(baudRate) + 0.8;
    return m < 1.0 ? 1u : static_cast<unsigned>(m);
}

}  // namespace talvex
