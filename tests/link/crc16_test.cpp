#include "talvex/crc16.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct CrcCase {
    std::vector<std::uint8_t> frame;
    std::uint16_t crc;  // wire order: high byte sent first
};

TEST(Crc16, KnownFrames) {
    const CrcCase cases[] = {
        {{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A}, 0xC5CD},
        {{0x01, 0x06, 0x00, 0x65, 0x03, 0xE9}, 0x58AB},  // history start to slave 1
        {{0x11, 0x03, 0x00, 0x6B, 0x00, 0x03}, 0x7687},  // textbook example
        {{}, 0xFFFF},
    };
    for (const auto& c : cases) EXPECT_EQ(talvex::crc16(c.frame.data(), c.frame.size()), c.crc);
}

TEST(Crc16, AppendThenMatch) {
    std::uint8_t f[8] = {0x07, 0x06, 0x00, 0xFD, 0x03, 0xF2};
    talvex::appendCrc(f, 6);
    EXPECT_TRUE(talvex::crcMatches(f, 8));
    f[7] ^= 0x01;
    EXPECT_FALSE(talvex::crcMatches(f, 8));
}

}  // namespace
