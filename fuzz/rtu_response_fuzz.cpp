// The master's response checks against the bus decoder: a response the master accepts must decode as
// that response with its data, and an exception the master reports must decode as that exception.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_check.hpp"
#include "talvex/crc16.hpp"
#include "talvex/diagnostics/frame_decoder.hpp"
#include "talvex/rtu.h"
#include "talvex/rtu_response.hpp"

using namespace talvex;

namespace {

// The request the master sent: slave, function and quantity come from the first input bytes.
struct Asked {
    std::uint8_t slave, function;
    std::uint16_t quantity;
    std::uint8_t tx[8];
};

Asked ask(const std::uint8_t* data) {
    static constexpr std::uint8_t kFunctions[] = {1, 2, 3, 4, 5, 6, 15, 16};
    Asked a{};
    a.slave = static_cast<std::uint8_t>(1 + data[0] % 247);
    a.function = kFunctions[data[1] % 8];
    a.quantity = static_cast<std::uint16_t>(1 + data[2] % 125);
    a.tx[0] = a.slave;
    a.tx[1] = a.function;
    a.tx[2] = 0;
    a.tx[3] = data[3];
    a.tx[4] = static_cast<std::uint8_t>(a.quantity >> 8);
    a.tx[5] = static_cast<std::uint8_t>(a.quantity & 0xFF);
    appendCrc(a.tx, 6);
    return a;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const Asked a = ask(data);
    const std::uint8_t* rx = data + 4;
    const std::size_t got = size - 4;

    if (a.function <= 4) {
        const std::size_t n = a.function <= 2 ? (a.quantity + 7u) / 8u : 2u * a.quantity;
        if (got >= n + 5 && checkReadResponse(rx, n, a.slave, a.function) == RTU_OK) {
            const auto f = diagnostics::decodeFrame(rx, n + 5, false);
            FUZZ_CHECK(f.kind == diagnostics::FrameKind::Response);
            FUZZ_CHECK(f.crcOk && f.slave == a.slave && f.function == a.function);
            if (a.function >= 3) {
                FUZZ_CHECK(f.values.size() == a.quantity);
                for (std::size_t i = 0; i < f.values.size(); ++i)
                    FUZZ_CHECK(f.values[i] == ((rx[3 + 2 * i] << 8) | rx[4 + 2 * i]));
            } else {
                FUZZ_CHECK(f.values.size() == 8 * n);
            }
        }
    } else if (got >= 8) {
        const bool multiple = a.function >= 15;
        const int r = multiple ? checkWriteMultipleResponse(rx, a.tx) : checkWriteSingleResponse(rx, a.tx);
        if (r == RTU_OK) {
            FUZZ_CHECK(crcMatches(rx, 8));
            const auto f = diagnostics::decodeFrame(rx, 8, false);
            FUZZ_CHECK(f.kind == diagnostics::FrameKind::Response && f.crcOk);
            FUZZ_CHECK(f.hasAddress && f.address == ((rx[2] << 8) | rx[3]));
        }
    }

    const int s = shortResponseResult(rx, got, a.tx);
    if (s != RTU_ERR_TIMEOUT) {
        FUZZ_CHECK(s == RTU_EXCEPTION + rx[2]);
        const auto f = diagnostics::decodeFrame(rx, got, false);
        FUZZ_CHECK(f.kind == diagnostics::FrameKind::Exception && f.crcOk);
        FUZZ_CHECK(f.slave == a.slave && f.function == a.function && f.exceptionCode == rx[2]);
    }
    return 0;
}
