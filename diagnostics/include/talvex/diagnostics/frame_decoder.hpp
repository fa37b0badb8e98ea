// Pure decoding of Modbus RTU frames as they appear on the line: who, what, which registers, which values,
// whether the CRC holds. Shared by the master's frame tap and the passive bus listener.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace talvex::diagnostics {

enum class FrameKind : std::uint8_t {
    Empty,      // no bytes (a request nobody answered)
    Request,    // a master's request of a known function, whole
    Response,   // a slave's normal response of a known function, whole
    Exception,  // a slave's exception response
    Unknown,    // a function this decoder does not know, or a length that fits no frame of it
};

struct DecodedFrame {
    FrameKind kind = FrameKind::Empty;
    std::uint8_t slave = 0;
    std::uint8_t function = 0;  // without the exception bit
    std::uint8_t exceptionCode = 0;
    bool crcOk = false;
    bool hasAddress = false;  // address and count are known (requests, write responses)
    std::uint16_t address = 0;
    std::uint16_t count = 0;            // registers or bits asked for or written
    std::vector<std::uint16_t> values;  // registers read (3, 4) or written (6, 16); bits (1, 2, 15) unpacked
};

// Decodes bytes as a request (asRequest) or as a response. A frame that fits neither the function's request
// nor its response length decodes as Unknown, with slave, function and CRC still filled in.
DecodedFrame decodeFrame(const std::uint8_t* bytes, std::size_t length, bool asRequest);

// Length of a whole request of this frame's function, or 0 when the bytes do not tell yet or it is unknown.
std::size_t requestLength(const std::uint8_t* bytes, std::size_t length);
// Length of a whole response to a request of this function (exception bit set: 5), 0 when unknown.
std::size_t responseLength(const std::uint8_t* bytes, std::size_t length);

// "read holding registers", ...; "function 0x41" for others.
std::string functionName(std::uint8_t function);
// "illegal data address", ...; "exception 0x0C" for codes without a name.
std::string exceptionName(std::uint8_t code);
// One line for people: "read holding registers 0+15", "15 registers: 12 0 ...", "write single register
// 253 = 1010", "exception 2 (illegal data address)". Values beyond the first eight are elided.
std::string describe(const DecodedFrame& frame);
// "01 03 00 00 00 0F 05 CE"
std::string hexBytes(const std::uint8_t* bytes, std::size_t length);

}  // namespace talvex::diagnostics
