// A synthetic V2 history stream for the history benchmarks: varied times and values, as a sensor
// sends them, generated piece by piece so the stream itself takes no memory.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace talvex::bench {

inline std::uint8_t bcd(int v) {
    return static_cast<std::uint8_t>(((v / 10) << 4) | (v % 10));
}

// Record i of the stream (28 bytes) into out.
inline void v2Record(std::uint64_t i, std::uint8_t* out) {
    const int minute = static_cast<int>(i % 60), hour = static_cast<int>(i / 60 % 24);
    const int day = 1 + static_cast<int>(i / 1440 % 28), month = 1 + static_cast<int>(i / 40320 % 12);
    const std::uint32_t h2 = static_cast<std::uint32_t>(i * 7 % 5000);
    const std::uint16_t temp = static_cast<std::uint16_t>(10000 + i * 13 % 9000);
    const auto rate = static_cast<std::uint32_t>(static_cast<std::int32_t>(i % 50) - 25);
    const float pr = 101.3f + static_cast<float>(i % 100) / 100.0f,
                wt = 12.0f + static_cast<float>(i % 700) / 100.0f;
    std::uint8_t* p = out;
    *p++ = 0x5A;
    *p++ = 0x19;
    *p++ = 0x20;
    *p++ = 0x26;
    *p++ = bcd(month);
    *p++ = bcd(day);
    *p++ = bcd(hour);
    *p++ = bcd(minute);
    *p++ = 0x00;
    for (int s = 24; s >= 0; s -= 8) *p++ = static_cast<std::uint8_t>(h2 >> s);
    *p++ = static_cast<std::uint8_t>(temp >> 8);
    *p++ = static_cast<std::uint8_t>(temp);
    for (int s = 24; s >= 0; s -= 8) *p++ = static_cast<std::uint8_t>(rate >> s);
    std::memcpy(p, &pr, 4);  // little-endian host: least significant byte first
    std::memcpy(p + 4, &wt, 4);
    p[8] = 0xA5;
}

inline std::vector<std::uint8_t> v2Stream(std::uint64_t records) {
    std::vector<std::uint8_t> s(records * 28);
    for (std::uint64_t i = 0; i < records; ++i) v2Record(i, s.data() + i * 28);
    return s;
}

}  // namespace talvex::bench
