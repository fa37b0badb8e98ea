// Builds history records as a sensor sends them, for the parser and read tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace talvex::acquisition::test {

using Bytes = std::vector<std::uint8_t>;

struct RecordFields {
    std::uint8_t time[7] = {0x20, 0x25, 0x03, 0x01, 0x08, 0x00, 0x05};
    std::uint32_t hydrogen = 0;
    std::uint16_t temperatureRaw = 10000;
    std::int32_t rate = 0;
    float pressure = 0, moisture = 0;
};

inline void putBe(Bytes& out, std::uint32_t v, int n) {
    for (int i = n - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline void putFloatLe(Bytes& out, float f) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &f, 4);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

// 28 bytes: 5A 19 time hydrogen temperature rate pressure moisture A5.
inline Bytes v2Record(const RecordFields& f) {
    Bytes b;
    b.reserve(28);
    b.push_back(0x5A);
    b.push_back(0x19);
    for (std::uint8_t t : f.time) b.push_back(t);
    putBe(b, f.hydrogen, 4);
    putBe(b, f.temperatureRaw, 2);
    putBe(b, static_cast<std::uint32_t>(f.rate), 4);
    putFloatLe(b, f.pressure);
    putFloatLe(b, f.moisture);
    b.push_back(0xA5);
    return b;
}

// 19 bytes: 5A 00 time hydrogen temperature rate (three bytes) A5.
inline Bytes v1Record(const RecordFields& f) {
    Bytes b;
    b.reserve(19);
    b.push_back(0x5A);
    b.push_back(0x00);
    for (std::uint8_t t : f.time) b.push_back(t);
    putBe(b, f.hydrogen, 4);
    putBe(b, f.temperatureRaw, 2);
    putBe(b, static_cast<std::uint32_t>(f.rate) & 0xFFFFFF, 3);
    b.push_back(0xA5);
    return b;
}

// A record told apart from its neighbours by its second (BCD) and its hydrogen value.
inline RecordFields numbered(int n) {
    RecordFields f;
    f.time[6] = static_cast<std::uint8_t>(((n / 10) % 10) << 4 | (n % 10));
    f.hydrogen = static_cast<std::uint32_t>(n);
    return f;
}

inline Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

}  // namespace talvex::acquisition::test
