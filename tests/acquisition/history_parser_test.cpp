// The history stream parser and the seven texts of a record.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "history_streams.hpp"
#include "talvex/acquisition/history_parser.hpp"

namespace talvex::acquisition {
namespace {

using namespace test;

struct StreamCase {
    const char* name;
    HistoryFormat format;
    Bytes stream;
    std::size_t chunk;                    // bytes per feed (0: all at once)
    std::vector<std::uint32_t> expected;  // hydrogen values of the records that survive
};

Bytes withEnd(Bytes r, std::uint8_t end) {
    r.back() = end;
    return r;
}

Bytes withTag(Bytes r, std::uint8_t tag) {
    r[1] = tag;
    return r;
}

// A record carrying 0x5A in its hydrogen field (offset 12), so a resync finds it there.
RecordFields holdingStartMarker() {
    RecordFields f = numbered(2);
    f.hydrogen = 0x5A;
    return f;
}

std::vector<StreamCase> streamCases() {
    const Bytes v2a = v2Record(numbered(1)), v2b = v2Record(numbered(2)), v2c = v2Record(numbered(3));
    const Bytes v2d = v2Record(numbered(4)), v2x = v2Record(holdingStartMarker());
    const Bytes v1a = v1Record(numbered(1)), v1b = v1Record(numbered(2)), v1c = v1Record(numbered(3));
    return {
        {"clean V1", HistoryFormat::V1, cat({v1a, v1b, v1c}), 0, {1, 2, 3}},
        {"clean V2", HistoryFormat::V2, cat({v2a, v2b, v2c}), 0, {1, 2, 3}},
        {"V2 split into single bytes", HistoryFormat::V2, cat({v2a, v2b, v2c}), 1, {1, 2, 3}},
        {"V2 split across record edges", HistoryFormat::V2, cat({v2a, v2b, v2c}), 5, {1, 2, 3}},
        {"V2 wrong end byte, 0x5A inside",
         HistoryFormat::V2,
         cat({v2a, withEnd(v2Record(holdingStartMarker()), 0x00), v2c}),
         0,
         {1, 3}},
        {"V2 wrong end byte, 0x5A inside, byte by byte",
         HistoryFormat::V2,
         cat({v2a, withEnd(v2Record(holdingStartMarker()), 0x00), v2c}),
         1,
         {1, 3}},
        // A record that lost bytes: its window ends inside the next record, whose 0x5A resyncs.
        {"V2 record cut short",
         HistoryFormat::V2,
         cat({v2a, Bytes(v2b.begin(), v2b.begin() + 20), v2c, v2d}),
         0,
         {1, 3, 4}},
        {"V2 record cut short, 0x5A inside it too",
         HistoryFormat::V2,
         cat({v2a, Bytes(v2x.begin(), v2x.begin() + 20), v2c, v2d}),
         1,
         {1, 3, 4}},
        {"V1 record cut short",
         HistoryFormat::V1,
         cat({v1a, Bytes(v1b.begin(), v1b.begin() + 9), v1c}),
         0,
         {1, 3}},
        {"V2 wrong end byte, no 0x5A inside",
         HistoryFormat::V2,
         cat({v2a, withEnd(v2b, 0x00), v2c}),
         0,
         {1, 3}},
        {"V2 wrong 0x19 byte", HistoryFormat::V2, cat({v2a, withTag(v2b, 0x18), v2c}), 0, {1, 3}},
        // Found by the fuzzer: a dropped window resyncs onto a record whose tag is wrong.
        {"V2 resync onto a record with a wrong 0x19 byte",
         HistoryFormat::V2,
         cat({v2a, Bytes{0x5A, 0x19, 0, 0, 0, 0, 0, 0, 0, 0}, withTag(v2b, 0x00), v2c}),
         0,
         {1, 3}},
        {"V2 resync onto a record with a wrong 0x19 byte, byte by byte",
         HistoryFormat::V2,
         cat({v2a, Bytes{0x5A, 0x19, 0, 0, 0, 0, 0, 0, 0, 0}, withTag(v2b, 0x00), v2c}),
         1,
         {1, 3}},
        {"V1 takes any second byte", HistoryFormat::V1, cat({v1a, withTag(v1b, 0x18), v1c}), 0, {1, 2, 3}},
        {"V1 wrong end byte", HistoryFormat::V1, cat({v1a, withEnd(v1b, 0x00), v1c}), 0, {1, 3}},
        {"junk before the first 0x5A", HistoryFormat::V2, cat({Bytes{0x00, 0xA5, 0x19, 0xFF}, v2a}), 0, {1}},
        {"stream ends inside a record",
         HistoryFormat::V2,
         cat({v2a, Bytes(v2b.begin(), v2b.begin() + 20)}),
         0,
         {1}},
    };
}

TEST(HistoryParser, StreamTable) {
    for (const auto& c : streamCases()) {
        HistoryParser parser(c.format);
        std::vector<HistoryRecord> out;
        const std::size_t step = c.chunk == 0 ? c.stream.size() : c.chunk;
        for (std::size_t i = 0; i < c.stream.size(); i += step)
            parser.feed(c.stream.data() + i, std::min(step, c.stream.size() - i), out);
        std::vector<std::uint32_t> got;
        for (const auto& r : out) got.push_back(r.hydrogen);
        EXPECT_EQ(got, c.expected) << c.name;
    }
}

// Noise between a start and an end marker must not become a record: the time decides.
TEST(HistoryParser, ARecordWhoseTimeIsNoCalendarTimeIsDroppedAndCounted) {
    struct Case {
        const char* name;
        std::array<std::uint8_t, 7> time;  // BCD: century, year, month, day, hour, minute, second
        bool kept;
    };
    const Case cases[] = {
        {"an ordinary time", {0x20, 0x26, 0x12, 0x31, 0x23, 0x59, 0x59}, true},
        {"29 February of a leap year", {0x20, 0x24, 0x02, 0x29, 0x00, 0x00, 0x00}, true},
        {"29 February of 2000", {0x20, 0x00, 0x02, 0x29, 0x12, 0x00, 0x00}, true},
        {"29 February of 2100", {0x21, 0x00, 0x02, 0x29, 0x12, 0x00, 0x00}, false},
        {"29 February of 2025", {0x20, 0x25, 0x02, 0x29, 0x12, 0x00, 0x00}, false},
        {"30 February", {0x20, 0x24, 0x02, 0x30, 0x12, 0x00, 0x00}, false},
        {"31 April", {0x20, 0x26, 0x04, 0x31, 0x12, 0x00, 0x00}, false},
        {"month 0", {0x20, 0x26, 0x00, 0x10, 0x12, 0x00, 0x00}, false},
        {"month 13", {0x20, 0x26, 0x13, 0x10, 0x12, 0x00, 0x00}, false},
        {"day 0", {0x20, 0x26, 0x01, 0x00, 0x12, 0x00, 0x00}, false},
        {"hour 24", {0x20, 0x26, 0x01, 0x10, 0x24, 0x00, 0x00}, false},
        {"minute 60", {0x20, 0x26, 0x01, 0x10, 0x12, 0x60, 0x00}, false},
        {"second 60", {0x20, 0x26, 0x01, 0x10, 0x12, 0x00, 0x60}, false},
        {"a minute nibble 0xA", {0x20, 0x26, 0x01, 0x10, 0x12, 0x0A, 0x00}, false},
        {"a year nibble 0xF", {0x2F, 0x26, 0x01, 0x10, 0x12, 0x00, 0x00}, false},
        {"a day nibble 0xC (\"5:00-6<\")", {0x20, 0x26, 0x01, 0x0C, 0x12, 0x00, 0x00}, false},
    };
    for (const HistoryFormat format : {HistoryFormat::V1, HistoryFormat::V2}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (format == HistoryFormat::V2 ? " V2" : " V1"));
            RecordFields probe = numbered(2);
            std::copy(c.time.begin(), c.time.end(), probe.time);
            const auto record = [format](const RecordFields& f) {
                return format == HistoryFormat::V2 ? v2Record(f) : v1Record(f);
            };
            const Bytes stream = cat({record(numbered(1)), record(probe), record(numbered(3))});
            HistoryParser parser(format);
            std::vector<HistoryRecord> out;
            parser.feed(stream.data(), stream.size(), out);
            std::vector<std::uint32_t> got;
            for (const auto& r : out) got.push_back(r.hydrogen);
            const std::vector<std::uint32_t> expected =
                c.kept ? std::vector<std::uint32_t>{1, 2, 3} : std::vector<std::uint32_t>{1, 3};
            EXPECT_EQ(got, expected);
            EXPECT_EQ(parser.dropped(), c.kept ? 0u : 1u);
        }
    }
}

// Frames of noise that carry both markers (what a noisy line delivers now and then) among real
// records: every record that comes out is a real one, and each frame of noise is counted.
TEST(HistoryParser, NoiseWithBothMarkersYieldsNoRecords) {
    std::uint32_t x = 12345;
    const auto next = [&x] {
        x = x * 1103515245u + 12345u;
        return static_cast<std::uint8_t>(x >> 16);
    };
    for (const HistoryFormat format : {HistoryFormat::V1, HistoryFormat::V2}) {
        const std::size_t size = format == HistoryFormat::V2 ? 28 : 19;
        Bytes stream;
        std::vector<std::uint32_t> real;
        for (int i = 1; i <= 300; ++i) {
            Bytes noise(size);
            for (auto& b : noise) b = next();
            noise.front() = 0x5A;
            noise[1] = 0x19;
            noise.back() = 0xA5;
            stream.insert(stream.end(), noise.begin(), noise.end());
            RecordFields f = numbered(i % 60);
            f.hydrogen = static_cast<std::uint32_t>(1000 + i);
            const Bytes r = format == HistoryFormat::V2 ? v2Record(f) : v1Record(f);
            stream.insert(stream.end(), r.begin(), r.end());
            real.push_back(f.hydrogen);
        }
        HistoryParser parser(format);
        std::vector<HistoryRecord> out;
        for (std::size_t i = 0; i < stream.size(); i += 7)
            parser.feed(stream.data() + i, std::min<std::size_t>(7, stream.size() - i), out);
        std::vector<std::uint32_t> got;
        for (const auto& r : out) got.push_back(r.hydrogen);
        EXPECT_EQ(got, real) << (format == HistoryFormat::V2 ? "V2" : "V1");
        EXPECT_GE(parser.dropped(), 300u);
    }
}

struct TextCase {
    const char* name;
    HistoryFormat format;
    RecordFields fields;
    std::array<std::string, 7> texts;
};

TEST(HistoryRecordTexts, SevenTexts) {
    RecordFields plain;  // time 20 25 03 01 08 00 05
    plain.hydrogen = 4294967295u;
    plain.temperatureRaw = 12345;
    plain.rate = -7;
    plain.pressure = 101.5f;
    plain.moisture = 12.25f;
    RecordFields nibble = plain;
    nibble.time[5] = 0x0A;  // minute nibble 0xA
    nibble.temperatureRaw = 0;
    nibble.rate = 8388607;  // largest three-byte rate
    nibble.pressure = -0.004f;
    const TextCase cases[] = {
        {"V2",
         HistoryFormat::V2,
         plain,
         {"7", "2025-03-01 08:00:05", "4294967295", "23.45", "-7", "101.50", "12.25"}},
        {"V1 has no pressure or moisture",
         HistoryFormat::V1,
         plain,
         {"7", "2025-03-01 08:00:05", "4294967295", "23.45", "-7", "", ""}},
        {"nibble 0xA, lowest temperature",
         HistoryFormat::V1,
         nibble,
         {"7", "2025-03-01 08:0::05", "4294967295", "-100.00", "8388607", "", ""}},
        {"V2 small negative pressure",
         HistoryFormat::V2,
         nibble,
         {"7", "2025-03-01 08:0::05", "4294967295", "-100.00", "8388607", "-0.00", "12.25"}},
    };
    for (const auto& c : cases) {
        const Bytes bytes = c.format == HistoryFormat::V2 ? v2Record(c.fields) : v1Record(c.fields);
        HistoryTable table{7, c.format, {decodeHistoryRecord(bytes.data(), c.format)}};
        for (int col = 0; col < kHistoryColumnCount; ++col)
            EXPECT_EQ(historyField(table, 0, col), c.texts[col]) << c.name << " column " << col;
        std::string line;
        appendHistoryLine(line, table, 0);
        std::string joined;
        for (int col = 0; col < kHistoryColumnCount; ++col) joined += (col ? "," : "") + c.texts[col];
        EXPECT_EQ(line, joined + "\r\n") << c.name;
        EXPECT_EQ(historyField(table, 1, 0), "") << "row out of range";
        EXPECT_EQ(historyField(table, 0, 7), "") << "column out of range";
    }
}

}  // namespace
}  // namespace talvex::acquisition
