// Register encodings the sensors use: text20 in its read and write layouts, 32-bit values split
// over two registers, BCD fields. Shared by the simulator and its tests.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace talvex::sim {

// The 20 bytes of a text as ten registers; `lowFirst` puts byte 2k in the low half of register k.
inline std::array<std::uint16_t, 10> text20Registers(std::string_view text, bool lowFirst) {
    std::array<std::uint16_t, 10> regs{};
    for (std::size_t k = 0; k < 10; ++k) {
        const auto b0 = 2 * k < text.size() ? static_cast<std::uint8_t>(text[2 * k]) : 0;
        const auto b1 = 2 * k + 1 < text.size() ? static_cast<std::uint8_t>(text[2 * k + 1]) : 0;
        regs[k] = static_cast<std::uint16_t>(lowFirst ? (b1 << 8 | b0) : (b0 << 8 | b1));
    }
    return regs;
}

// Read layout: the 20 bytes in wire order, register k = byte 2k (high) and byte 2k+1 (low).
inline std::array<std::uint16_t, 10> text20ReadLayout(std::string_view text) {
    return text20Registers(text, false);
}

// Write layout: register k carries byte 2k in its low half and byte 2k+1 in its high half.
inline std::array<std::uint16_t, 10> text20WriteLayout(std::string_view text) {
    return text20Registers(text, true);
}

// Text from registers in the write layout; stops at the first NUL.
inline std::string textFromWriteLayout(const std::uint16_t* regs) {
    std::string text;
    for (std::size_t k = 0; k < 10; ++k) {
        const char lo = static_cast<char>(regs[k] & 0xFF);
        const char hi = static_cast<char>(regs[k] >> 8);
        if (lo == 0) break;
        text.push_back(lo);
        if (hi == 0) break;
        text.push_back(hi);
    }
    return text;
}

// Text from registers in the read layout; stops at the first NUL.
inline std::string textFromReadLayout(const std::uint16_t* regs, std::size_t count = 10) {
    std::string text;
    for (std::size_t k = 0; k < count; ++k) {
        const char hi = static_cast<char>(regs[k] >> 8);
        const char lo = static_cast<char>(regs[k] & 0xFF);
        if (hi == 0) break;
        text.push_back(hi);
        if (lo == 0) break;
        text.push_back(lo);
    }
    return text;
}

inline std::uint32_t u32HighFirst(std::uint16_t first, std::uint16_t second) {
    return static_cast<std::uint32_t>(first) << 16 | second;
}

inline std::int64_t s64HighFirst(const std::uint16_t* regs) {
    std::uint64_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 16 | regs[i];
    return static_cast<std::int64_t>(v);
}

// IEEE-754 single in two registers, low-order half in the lower register.
inline std::array<std::uint16_t, 2> floatLowFirst(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return {static_cast<std::uint16_t>(bits & 0xFFFF), static_cast<std::uint16_t>(bits >> 16)};
}

inline float floatFromLowFirst(std::uint16_t low, std::uint16_t high) {
    const std::uint32_t bits = static_cast<std::uint32_t>(high) << 16 | low;
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Two decimal digits per byte: 2026 -> 0x2026, 1208 -> 0x1208.
inline std::uint16_t toBcd(unsigned value) {
    std::uint16_t out = 0;
    for (int shift = 0; shift < 16; shift += 4) {
        out = static_cast<std::uint16_t>(out | (value % 10) << shift);
        value /= 10;
    }
    return out;
}

// Nibbles read as decimal digits; a nibble above 9 makes the field invalid (-1).
inline int fromBcd(std::uint16_t bcd) {
    int value = 0;
    for (int shift = 12; shift >= 0; shift -= 4) {
        const int digit = bcd >> shift & 0xF;
        if (digit > 9) return -1;
        value = value * 10 + digit;
    }
    return value;
}

}  // namespace talvex::sim
