#include "talvex/acquisition/decode.hpp"

#include <bit>

namespace talvex::acquisition {
namespace {

std::uint16_t reg(std::span<const std::uint8_t> b, std::size_t n) {
    return static_cast<std::uint16_t>(b[2 * n] << 8 | b[2 * n + 1]);
}

// Two registers, the first the high half, as a signed 32-bit value passed through single precision.
float signed32AsFloat(std::span<const std::uint8_t> b, std::size_t n) {
    const std::uint32_t raw = static_cast<std::uint32_t>(reg(b, n)) << 16 | reg(b, n + 1);
    return static_cast<float>(static_cast<std::int32_t>(raw));
}

float singleFromHalves(std::span<const std::uint8_t> b, std::size_t low) {
    const std::uint32_t bits = static_cast<std::uint32_t>(reg(b, low + 1)) << 16 | reg(b, low);
    return std::bit_cast<float>(bits);
}

}  // namespace

MainBlock decodeMainBlock(std::span<const std::uint8_t, 30> bytes, SensorModel model, bool wirelessNode) {
    MainBlock m;
    m.h2dg = signed32AsFloat(bytes, 2);
    m.h2ag = signed32AsFloat(bytes, 4);
    // Single precision throughout: raw 12 345 gives 23.449997, shown as 23.4.
    const float raw = static_cast<float>(reg(bytes, 8));
    m.temp = raw / 100.0f - 100.0f;
    if (wirelessNode || model == SensorModel::KF)
        m.dayRoc = reg(bytes, 9);
    else
        m.dayRoc = static_cast<std::int16_t>(reg(bytes, 14));
    return m;
}

std::uint16_t decodeStatusWord(std::span<const std::uint8_t, 2> bytes) {
    return reg(bytes, 0);
}

ExtraBlock decodeExtraBlock(std::span<const std::uint8_t, 12> bytes) {
    return {singleFromHalves(bytes, 0), singleFromHalves(bytes, 4)};
}

}  // namespace talvex::acquisition
