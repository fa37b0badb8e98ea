#include "talvex/rtu_response.hpp"

#include <algorithm>

#include "talvex/crc16.hpp"
#include "talvex/rtu.h"

namespace talvex {

int checkReadResponse(const std::uint8_t* rx, std::size_t dataBytes, std::uint8_t slave,
                      std::uint8_t function) {
    if (!crcMatches(rx, dataBytes + 5)) return RTU_ERR_CRC;
    if (rx[0] != slave) return RTU_ERR_SLAVE_ECHO;
    if (rx[1] != function) return RTU_ERR_FUNCTION_ECHO;
    if (rx[2] != dataBytes) return RTU_ERR_BYTE_COUNT;
    return RTU_OK;
}

int checkWriteMultipleResponse(const std::uint8_t* rx, const std::uint8_t* tx) {
    if (!crcMatches(rx, 8)) return RTU_ERR_CRC;
    if (!std::equal(rx, rx + 6, tx)) return RTU_ERR_WRITE_ECHO;
    return RTU_OK;
}

int checkWriteSingleResponse(const std::uint8_t* rx, const std::uint8_t* tx) {
    return std::equal(rx, rx + 8, tx) ? RTU_OK : RTU_ERR_CRC;
}

int shortResponseResult(const std::uint8_t* rx, std::size_t got, const std::uint8_t* tx) {
    if (got == 5 && rx[0] == tx[0] && rx[1] == (tx[1] | 0x80) && crcMatches(rx, 5))
        return RTU_EXCEPTION + rx[2];
    return RTU_ERR_TIMEOUT;
}

}  // namespace talvex
