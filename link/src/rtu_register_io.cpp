#include "talvex/rtu_register_io.hpp"

#include "talvex/rtu.h"

namespace talvex {

int RtuRegisterIo::readHolding(int slave, int address, int count, std::uint16_t* values) {
    if (count < 0 || count > 125) return RTUReadHoldingRegisters(slave, address, count, nullptr);
    unsigned char bytes[250];
    const int rc = RTUReadHoldingRegisters(slave, address, count, bytes);
    if (rtuOk(rc))
        for (int i = 0; i < count; ++i)
            values[i] = static_cast<std::uint16_t>((bytes[2 * i] << 8) | bytes[2 * i + 1]);
    return rc;
}

int RtuRegisterIo::writeSingle(int slave, int address, std::uint16_t value) {
    return RTUWriteSingleRegister(slave, address, value);
}

int RtuRegisterIo::writeMultiple(int slave, int address, int count, const std::uint16_t* values) {
    if (count < 0 || count > 123) return RTUWriteMultipleRegisters(slave, address, count, nullptr);
    unsigned char bytes[246];
    for (int i = 0; i < count; ++i) {
        bytes[2 * i] = static_cast<unsigned char>(values[i] >> 8);
        bytes[2 * i + 1] = static_cast<unsigned char>(values[i] & 0xFF);
    }
    return RTUWriteMultipleRegisters(slave, address, count, bytes);
}

int RtuRegisterIo::startHistoryOutput(int slave) {
    return RTUStartHistoryOutput(slave);
}

int RtuRegisterIo::readBytes(std::uint8_t* dest, int count) {
    return RTUReadBytes(dest, count);
}

bool RtuRegisterIo::isOpen() const {
    return RTUIsOpen() != 0;
}

RtuRegisterIo& rtuRegisterIo() {
    static RtuRegisterIo io;
    return io;
}

}  // namespace talvex
