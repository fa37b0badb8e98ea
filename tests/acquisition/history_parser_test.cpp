// The history stream parser and the seven texts of a record.
#include <gtest/gtest.h>

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
