#include "talvex/channel_value.hpp"

#include <gtest/gtest.h>

namespace talvex {
namespace {

TEST(ChannelValueTest, ParsesListMarkNamesAndDescription) {
    struct Case {
        const char* value;
        std::vector<ParameterRow> rows;
        const char* mark;
        const char* description;
    };
    const Case cases[] = {
        {"9,1,1", {{"9", "Parameters"}, {"1", "Parameters"}, {"1", "Parameters"}}, " ", " "},
        {"1,5,1# $SensorID:$Rate:$Enable:@Range 1-247",
         {{"1", "SensorID:"}, {"5", "Rate:"}, {"1", "Enable:"}},
         " ",
         "Range 1-247#"},  // "#" appended on reading
        {"7,10,2#Boiler A$id$rate", {{"7", "id"}, {"10", "rate#"}, {"2", "Parameters"}}, "Boiler A", " "},
        {"7,10,#just a mark",
         {{"7", "Parameters"}, {"10", "Parameters"}},
         "just a mark#",
         " "},                                  // empty last piece dropped
        {"#", {{"", "Parameters"}}, " ", " "},  // the only piece stays
        {"1,2#m$a$b$c@d@e", {{"1", "a"}, {"2", "b"}}, "m", "d@e#"},
    };
    for (const auto& c : cases) {
        const ChannelValue v = parseChannelValue(c.value, Codepage::Ascii, "Parameters");
        EXPECT_EQ(v.rows, c.rows) << c.value;
        EXPECT_EQ(v.deviceMark, c.mark) << c.value;
        EXPECT_EQ(v.description, c.description) << c.value;
    }
}

TEST(ChannelValueTest, A127ByteValueGetsNoHash) {
    const std::string full(127, '1');
    const ChannelValue v = parseChannelValue(full, Codepage::Ascii, "P");
    ASSERT_EQ(v.rows.size(), 1u);
    EXPECT_EQ(v.rows[0].value, full);
}

TEST(ChannelValueTest, FormatsWhatParsingReads) {
    const std::vector<ParameterRow> rows{
        {"1", "SensorID:"}, {"5", "Rate:"}, {"1", "Enable:"}, {"x", "extra"}};
    const std::string text = formatChannelValue(rows, "Mark", "Desc");
    EXPECT_EQ(text, "1,5,1,x#Mark$SensorID:$Rate:$Enable:$extra@Desc");
    const ChannelValue back = parseChannelValue(text, Codepage::Ascii, "P");
    EXPECT_EQ(back.rows, rows);
    EXPECT_EQ(back.deviceMark, "Mark");
}

TEST(ChannelValueTest, DecimalValuesTruncateTo8Bits) {
    struct Case {
        const char* text;
        std::uint8_t expect;
    };
    const Case cases[] = {{"300", 44}, {"247", 247}, {" 12abc", 12}, {"abc", 0},
                          {"-1", 255}, {"256", 0},   {"", 0}};
    for (const auto& c : cases) EXPECT_EQ(decimalByte(c.text), c.expect) << c.text;
}

}  // namespace
}  // namespace talvex
