// The register encodings: the sensor's vectors and the refusals, as tables.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "talvex/device/encodings.hpp"
#include "talvex/language.hpp"

namespace talvex::device {
namespace {

using sensor::Encoding;
using Regs = std::vector<std::uint16_t>;

struct Vector {
    Encoding encoding;
    const char* text;
    Regs registers;
};

TEST(Encodings, TextsEncodeToTheSensorsRegisters) {
    const Vector vectors[] = {
        {Encoding::S64x1e9, "1.5", {0x0000, 0x0000, 0x5968, 0x2F00}},
        {Encoding::S64x1e9, "-0.000000001", {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}},
        {Encoding::S64x1e9, " 2e-9 ", {0, 0, 0, 2}},        // blanks around a number are fine
        {Encoding::S32x1e4, "12.34567", {0x0001, 0xE240}},  // 123456: single-precision product, truncated
        {Encoding::S32x1e4, "-1.00009", {0xFFFF, 0xD8F0}},  // -10000: truncation toward zero
        {Encoding::S32x1e3, "5000", {0x004C, 0x4B40}},      // 5 000 000
        {Encoding::S32x1e3, "-0.001", {0xFFFF, 0xFFFF}},
        {Encoding::U32, "100000", {0x0001, 0x86A0}},  // 1 and 34464
        {Encoding::U32, "0", {0, 0}},
        {Encoding::S32, "-1", {0xFFFF, 0xFFFF}},
        {Encoding::U16, "65535", {0xFFFF}},
        {Encoding::BcdDate, "20261208", {0x1208, 0x2026}},
        {Encoding::Text20, "M12", {0x314D, 0x0032, 0, 0, 0, 0, 0, 0, 0, 0}},
        {Encoding::Text20, "", Regs(10, 0)},
        // GBK on the wire: 氢 is 0xC7 0xE2.
        {Encoding::Text20, "氢", {0xE2C7, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {Encoding::Text20,
         "ABCDEFGHIJKLMNOPQRST",
         {0x4241, 0x4443, 0x4645, 0x4847, 0x4A49, 0x4C4B, 0x4E4D, 0x504F, 0x5251, 0x5453}},
    };
    for (const Vector& v : vectors) {
        const Encoded e = encodeText(v.encoding, "X", v.text);
        EXPECT_TRUE(e.ok()) << v.text << ": " << e.error;
        EXPECT_EQ(e.registers, v.registers) << v.text;
    }
}

struct Refusal {
    Encoding encoding;
    std::string text;
    const char* mentions;  // a piece of the allowed range or of the input the message must name
};

TEST(Encodings, RefusesWhatItCannotRepresentNamingTheFieldAndTheRange) {
    setActiveLanguage(Language::English);
    const Refusal refusals[] = {
        {Encoding::S64x1e9, "abc", "abc"},
        {Encoding::S64x1e9, "", "not a number"},
        {Encoding::S64x1e9, "1e400", "1e400"},
        {Encoding::S64x1e9, "nan", "nan"},
        {Encoding::S64x1e9, "inf", "inf"},
        {Encoding::S64x1e9, "1.5x", "1.5x"},
        {Encoding::S64x1e9, "0x10", "0x10"},
        {Encoding::S64x1e9, "1.5 2", "1.5 2"},
        {Encoding::S64x1e9, "9300000000", "9223372036.854775807"},
        {Encoding::S32x1e4, "214749", "214748.3647"},
        {Encoding::S32x1e4, "-214749", "-214748.3648"},
        {Encoding::S32x1e3, "3000000", "2147483.647"},
        {Encoding::U32, "-1", "4294967295"},
        {Encoding::U32, "4294967296", "4294967295"},
        {Encoding::U32, "1.5", "1.5"},
        {Encoding::S32, "2147483648", "2147483647"},
        {Encoding::U16, "65536", "65535"},
        {Encoding::BcdDate, "20261301", "20261301"},
        {Encoding::BcdDate, "2026-12-08", "2026-12-08"},
        {Encoding::Text20, "ABCDEFGHIJKLMNOPQRSTU", "20"},
        {Encoding::Text20, "氢氢氢氢氢氢氢氢氢氢氢", "22"},  // 11 characters, 22 bytes in GBK
    };
    for (const Refusal& r : refusals) {
        const Encoded e = encodeText(r.encoding, "OilType_Ka", r.text);
        EXPECT_FALSE(e.ok()) << r.text;
        EXPECT_TRUE(e.registers.empty()) << r.text;
        EXPECT_NE(e.error.find("OilType_Ka"), std::string::npos) << e.error;
        EXPECT_NE(e.error.find(r.mentions), std::string::npos) << e.error;
    }
}

TEST(Encodings, Text20ReadsBackInWireOrderUpToTheFirstNul) {
    const Regs wire = {0x4D31, 0x3200, 0x4142, 0, 0, 0, 0, 0, 0, 0};  // "M12" then NUL, then junk
    EXPECT_EQ(decodeText20(wire), "M12");
    const Regs gbk = {0xC7E2, 0x5632, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(decodeText20(gbk), "氢V2");
    const Regs full = {0x4142, 0x4344, 0x4546, 0x4748, 0x494A, 0x4B4C, 0x4D4E, 0x4F50, 0x5152, 0x5354};
    EXPECT_EQ(decodeText20(full), "ABCDEFGHIJKLMNOPQRST");
}

// GBK whatever the bytes look like: these texts' GBK bytes are also valid UTF-8 ("韦伟" would read
// "Τΰ"), so nothing may be taken as UTF-8 because it happens to be valid.
TEST(Encodings, Text20IsGbkEvenWhereTheBytesAreValidUtf8) {
    // Write side: byte 2k in the low half; read side: wire order, byte 2k in the high half.
    EXPECT_EQ(encodeText20("Signer", "韦伟").registers, (Regs{0xA4CE, 0xB0CE, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(encodeText20("Signer", "专业为之").registers,
              (Regs{0xA8D7, 0xB5D2, 0xAACE, 0xAED6, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(decodeText20(Regs{0xCEA4, 0xCEB0, 0, 0, 0, 0, 0, 0, 0, 0}), "韦伟");  // wire order
    EXPECT_EQ(decodeText20(Regs{0xD7A8, 0xD2B5, 0xCEAA, 0xD6AE, 0, 0, 0, 0, 0, 0}), "专业为之");
    EXPECT_EQ(decodeText20(Regs{0x41FF, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
              "A\xEF\xBF\xBD");  // not GBK: shown as such

    // Bytes that are not UTF-8 text (a GBK argument, say) are refused, never written as '?'.
    const Encoded raw = encodeText20("Signer", "M-KA\xCE\xA4\xCE");
    EXPECT_FALSE(raw.ok());
    EXPECT_TRUE(raw.registers.empty());
    EXPECT_NE(raw.error.find("Signer"), std::string::npos) << raw.error;
}

TEST(Encodings, NumbersAndClockFields) {
    EXPECT_EQ(decodeU32(1, 34464), 100000u);
    EXPECT_EQ(decodeS32(0xFFFF, 0xFFFE), -2);
    const std::uint16_t s64[4] = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    EXPECT_EQ(decodeS64(std::span<const std::uint16_t, 4>(s64)), -1);
    // Analog outputs: value x 100 truncated into one register; 655.36 does not fit.
    EXPECT_EQ(encodeU16x100("Rlow", 20.5).registers, Regs{2050});
    EXPECT_EQ(encodeU16x100("Rlow", 4.0).registers, Regs{400});
    EXPECT_FALSE(encodeU16x100("Rlow", 655.36).ok());
    EXPECT_FALSE(encodeU16x100("Rlow", -0.5).ok());
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 8;
    t.tm_hour = 7;
    t.tm_min = 5;
    t.tm_sec = 59;
    const std::array<std::uint16_t, 4> clock = {0x1208, 0x2026, 0x0007, 0x0559};
    EXPECT_EQ(clockRegisters(t), clock);
}

TEST(Encodings, StagedLayoutOfACommitCodeFollowsTheTable) {
    // 1003: the data date first, then the s64 coefficients in their three areas, then P0..P3 x 10^3.
    std::vector<std::string> texts = {"20261208", "1.5", "0",     "0", "0", "0", "0",
                                      "0",        "0",   "-1e-9", "1", "2", "3", "4"};
    const Staged s = stageCommit(*sensor::findCommitCode(1003), texts);
    ASSERT_TRUE(s.ok()) << s.error;
    ASSERT_EQ(s.writes.size(), 2u + 9 * 4 + 4 * 2);
    EXPECT_EQ(s.writes[0], (RegisterWrite{83, 0x1208}));
    EXPECT_EQ(s.writes[1], (RegisterWrite{84, 0x2026}));
    EXPECT_EQ(s.writes[4], (RegisterWrite{21, 0x5968}));
    EXPECT_EQ(s.writes[2 + 8 * 4], (RegisterWrite{239, 0xFFFF}));
    EXPECT_EQ(s.writes.back(), (RegisterWrite{250, 4000}));

    texts[5] = "junk";  // B2
    const Staged refused = stageCommit(*sensor::findCommitCode(1003), texts);
    EXPECT_FALSE(refused.ok());
    EXPECT_TRUE(refused.writes.empty());
    EXPECT_NE(refused.error.find("B2"), std::string::npos);
    EXPECT_FALSE(stageCommit(*sensor::findCommitCode(1010), std::vector<double>{1.0}).ok());
}

}  // namespace
}  // namespace talvex::device
