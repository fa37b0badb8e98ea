// Modbus RTU request framing and reply encoding on the slave side. Pure functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "talvex/sim/types.hpp"

namespace talvex::sim {

// Length of the request that starts the buffer, from its function code: 0 when more bytes are
// needed to tell (functions 15 and 16 carry a byte count), -1 for a function of unknown layout.
int expectedRequestLength(const std::uint8_t* data, std::size_t size);

// Decodes a complete request whose CRC has been checked. Functions other than 3, 6 and 16 come
// back with only slave and function set; malformed counts leave quantity and values inconsistent
// for the caller to refuse.
Request decodeRequest(const std::vector<std::uint8_t>& frame);

// Reply frame with CRC: read data, write echo, or an exception when reply.exception is set.
std::vector<std::uint8_t> encodeReply(const Request& request, const Reply& reply);
std::vector<std::uint8_t> encodeException(std::uint8_t slave, std::uint8_t function, std::uint8_t code);

}  // namespace talvex::sim
