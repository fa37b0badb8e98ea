// Decoding of a sensor's measurement registers. Register n of a read is at bytes 2n, 2n+1 of the
// response's data field, high byte first. Pure functions.
#pragma once

#include <cstdint>
#include <span>

#include "talvex/sensor_model.hpp"
#include "talvex/sensor_registers.hpp"

namespace talvex::acquisition {

// Bytes of the three reads of one poll (addresses and counts in talvex/sensor_registers.hpp).
inline constexpr std::size_t kMainBlockBytes = 2 * sensor::reg::kMeasurementCount;
inline constexpr std::size_t kStatusBytes = 2 * sensor::reg::kStatusCount;
inline constexpr std::size_t kExtraBlockBytes = 2 * sensor::reg::kPressureBlockCount;

struct MainBlock {
    float h2dg = 0, h2ag = 0, temp = 0;
    std::int32_t dayRoc = 0;
};

struct ExtraBlock {
    float pr = 0, wt = 0;
};

// The 15 registers from address 0 (30 bytes). The daily value is register 9 (unsigned) for ModelKF
// and for a wireless concentrator's nodes (their state of charge); else register 14, signed.
MainBlock decodeMainBlock(std::span<const std::uint8_t, kMainBlockBytes> bytes, SensorModel model,
                          bool wirelessNode);

// Register 111 (2 bytes): the run-status word.
std::uint16_t decodeStatusWord(std::span<const std::uint8_t, kStatusBytes> bytes);

// The 6 registers from 161 (12 bytes): pressure from 161 (low half) and 162 (high half), moisture
// from 165 and 166, each an IEEE-754 single.
ExtraBlock decodeExtraBlock(std::span<const std::uint8_t, kExtraBlockBytes> bytes);

// Value fed to the live curve: the gas-phase hydrogen for ModelKG and ModelKGC, else the in-oil one.
inline float chartValue(SensorModel model, const MainBlock& b) {
    return isGasPhaseModel(model) ? b.h2ag : b.h2dg;
}

}  // namespace talvex::acquisition
