// CRC-16/MODBUS over a frame. Pure functions, shared by the master and the simulator.
#pragma once

#include <cstddef>
#include <cstdint>

namespace talvex {

// Returns the CRC with the byte that goes on the wire first in the high-order half
// (over 01 03 00 00 00 0A the result is 0xC5CD: C5 is sent, then CD).
std::uint16_t crc16(const std::uint8_t* data, std::size_t length);

// Writes the two CRC bytes of frame[0..length) at frame[length] and frame[length + 1].
void appendCrc(std::uint8_t* frame, std::size_t length);

// True when the last two bytes of the frame are the CRC of the bytes before them.
bool crcMatches(const std::uint8_t* frame, std::size_t lengthWithCrc);

}  // namespace talvex
