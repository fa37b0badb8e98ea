// A serial device opened read-only for listening to a bus some other master drives, through the link's
// serial port in listener mode: raw 8N1, nothing ever written. A device another program holds is
// refused (two readers of one tty take bytes from each other: listening needs a second adapter on the
// same line) unless shared is set for a deliberate experiment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "talvex/port_open_failure.hpp"
#include "talvex/serial_port.hpp"

namespace talvex::diagnostics {

class LineReader {
  public:
    // False when the device cannot be opened or set up; failure() says why, holder() who has it.
    bool open(const std::string& device, int baud, bool shared = false);
    PortOpenFailure failure() const { return failure_; }
    const std::string& holder() const { return port_.lastOpenHolder(); }

    // Waits up to timeoutUs for bytes and reads what is there. >0 bytes read, 0 nothing in time,
    // -1 the device failed or vanished.
    int read(std::uint8_t* buffer, std::size_t size, std::int64_t timeoutUs);

  private:
    CSerialPort port_;
    PortOpenFailure failure_ = PortOpenFailure::None;
};

}  // namespace talvex::diagnostics
