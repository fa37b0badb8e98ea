// Register access of the one Modbus master, as sensor operations see it. Operations never call the
// RTU functions themselves: the program hands them the RTU-backed implementation (link/), tests a
// recording one, so the same code runs against a real line and a scripted one.
#pragma once

#include <cstdint>

namespace talvex {

// RTU result codes: 0 success; callers look only at the low 16 bits.
inline bool rtuOk(int result) {
    return (result & 0xFFFF) == 0;
}

class RegisterIo {
  public:
    virtual ~RegisterIo() = default;
    // Function 3: count registers from address into values (host order).
    virtual int readHolding(int slave, int address, int count, std::uint16_t* values) = 0;
    // Function 6.
    virtual int writeSingle(int slave, int address, std::uint16_t value) = 0;
    // Function 16.
    virtual int writeMultiple(int slave, int address, int count, const std::uint16_t* values) = 0;
    // The history stream: the start request (answered by a byte stream, not a frame), then raw reads
    // that return the number of bytes read (negative on a closed port).
    virtual int startHistoryOutput(int slave) = 0;
    virtual int readBytes(std::uint8_t* dest, int count) = 0;
    // The port is open.
    virtual bool isOpen() const = 0;
};

}  // namespace talvex
