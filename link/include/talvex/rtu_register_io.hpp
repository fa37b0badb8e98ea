// RegisterIo over the process's RTU call interface (the one open port).
#pragma once

#include "talvex/register_io.hpp"

namespace talvex {

class RtuRegisterIo : public RegisterIo {
  public:
    int readHolding(int slave, int address, int count, std::uint16_t* values) override;
    int writeSingle(int slave, int address, std::uint16_t value) override;
    int writeMultiple(int slave, int address, int count, const std::uint16_t* values) override;
    int startHistoryOutput(int slave) override;
    int readBytes(std::uint8_t* dest, int count) override;
    bool isOpen() const override;
};

// The process-wide instance.
RtuRegisterIo& rtuRegisterIo();

}  // namespace talvex
