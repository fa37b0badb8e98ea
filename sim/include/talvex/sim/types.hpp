// Basic types of the simulated bus: time, one decoded request, one device reply, one logged write.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

namespace talvex::sim {

using SteadyClock = std::chrono::steady_clock;
using TimePoint = SteadyClock::time_point;
using Millis = std::chrono::milliseconds;

// Time source of the devices. Tests inject a manual clock so slow procedures run without sleeping.
using ClockFn = std::function<TimePoint()>;

// Modbus exception codes the devices answer with.
inline constexpr std::uint8_t kIllegalFunction = 1;
inline constexpr std::uint8_t kIllegalAddress = 2;
inline constexpr std::uint8_t kIllegalValue = 3;

// A request frame after CRC check and decoding. Function 6 carries one value, function 16 several.
struct Request {
    std::uint8_t slave = 0;
    std::uint8_t function = 0;
    std::uint16_t address = 0;
    std::uint16_t quantity = 0;
    std::vector<std::uint16_t> values;
};

// What a device answers: register data for a read, an exception code, or a raw byte stream sent
// instead of a normal reply (the history output).
struct Reply {
    std::uint8_t exception = 0;
    std::vector<std::uint16_t> registers;
    std::vector<std::uint8_t> stream;
    bool streamOnly = false;
    // The stream stops for pause after its first pauseAt bytes (pauseAt 0: no pause).
    std::size_t pauseAt = 0;
    Millis pause{0};
};

// One write a device received: what the sensor was told, for tests and the demo's traffic view.
struct WriteRecord {
    std::uint8_t function = 0;
    std::uint16_t address = 0;
    std::vector<std::uint16_t> values;
    TimePoint time{};
};

}  // namespace talvex::sim
