// The master's verdict on the bytes a slave sent back, apart from the port that collected them: the
// transactions of CModbus and the fuzz targets judge responses through these alone. Pure functions.
#pragma once

#include <cstddef>
#include <cstdint>

namespace talvex {

// A read response of functions 1 to 4 (rx holds dataBytes + 5 bytes): RTU_OK, or the first fault in
// the order CRC, slave echo, function echo, byte count.
int checkReadResponse(const std::uint8_t* rx, std::size_t dataBytes, std::uint8_t slave,
                      std::uint8_t function);
// A write-multiple response (8 bytes) against its request tx: RTU_OK, RTU_ERR_CRC or RTU_ERR_WRITE_ECHO.
int checkWriteMultipleResponse(const std::uint8_t* rx, const std::uint8_t* tx);
// A single write must come back byte for byte (8 bytes): RTU_OK, else RTU_ERR_CRC.
int checkWriteSingleResponse(const std::uint8_t* rx, const std::uint8_t* tx);
// What got bytes that stopped short of the expected response mean: an exception response to tx
// (RTU_EXCEPTION + code) when they are one, else RTU_ERR_TIMEOUT.
int shortResponseResult(const std::uint8_t* rx, std::size_t got, const std::uint8_t* tx);

}  // namespace talvex
