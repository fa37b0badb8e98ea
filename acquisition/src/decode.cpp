#include "talvex/acquisition/decode.hpp"

#include <bit>

namespace talvex::acquisition {
namespace {

namespace reg = sensor::reg;

std::uint16_t word(std::span<const std::uint8_t> b, std::size_t n) {
    return static_cast<std::uint16_t>(b[2 * n] << 8 | b[2 * n + 1]);
}

// Two registers, the first the high half, as a signed 32-bit value passed through single precision.
float signed32AsFloat(std::span<const std::uint8_t> b, std::size_t n) {
    const std::uint32_t raw = static_cast<std::uint32_t>(word(b, n)) << 16 | word(b, n + 1);
    return static_cast<float>(static_cast<std::int32_t>(raw));
}

float singleFromHalves(std::span<const std::uint8_t> b, std::size_t low) {
    const std::uint32_t bits = static_cast<std::uint32_t>(word(b, low + 1)) << 16 | word(b, low);
    return std::bit_cast<float>(bits);
}

// Position of a register within the block read from `first`.
constexpr std::size_t at(std::uint16_t address, std::uint16_t first) {
    return static_cast<std::size_t>(address - first);
}

}  // namespace

MainBlock decodeMainBlock(std::span<const std::uint8_t, kMainBlockBytes> bytes, SensorModel model,
                          bool wirelessNode) {
    constexpr std::uint16_t block = reg::kMeasurementBlock;
    MainBlock m;
    m.h2dg = signed32AsFloat(bytes, at(reg::kHydrogenInOil, block));
    m.h2ag = signed32AsFloat(bytes, at(reg::kHydrogenGasPhase, block));
    // Single precision throughout: raw 12 345 gives 23.449997, shown as 23.4.
    const float raw = static_cast<float>(word(bytes, at(reg::kOilTemperature, block)));
    m.temp = raw / 100.0f - 100.0f;
    if (wirelessNode || model == SensorModel::KF)
        m.dayRoc = word(bytes, at(reg::kEnergy, block));
    else
        m.dayRoc = static_cast<std::int16_t>(word(bytes, at(reg::kDailyRate, block)));
    return m;
}

std::uint16_t decodeStatusWord(std::span<const std::uint8_t, kStatusBytes> bytes) {
    return word(bytes, 0);
}

ExtraBlock decodeExtraBlock(std::span<const std::uint8_t, kExtraBlockBytes> bytes) {
    return {singleFromHalves(bytes, at(reg::kPressure, reg::kPressureBlock)),
            singleFromHalves(bytes, at(reg::kMoisture, reg::kPressureBlock))};
}

}  // namespace talvex::acquisition
