// A serial device opened read-only for listening to a bus some other master drives: no exclusive lock (the
// adapter is ours alone anyway, and the device may be shared with a logger), raw 8N1, nothing ever written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "talvex/port_open_failure.hpp"

namespace talvex::diagnostics {

class LineReader {
  public:
    LineReader() = default;
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // False when the device cannot be opened or set up; failure() says why.
    bool open(const std::string& device, int baud);
    PortOpenFailure failure() const { return failure_; }

    // Waits up to timeoutUs for bytes and reads what is there. >0 bytes read, 0 nothing in time,
    // -1 the device failed or vanished.
    int read(std::uint8_t* buffer, std::size_t size, std::int64_t timeoutUs);

  private:
    int fd_ = -1;
    PortOpenFailure failure_ = PortOpenFailure::None;
};

}  // namespace talvex::diagnostics
