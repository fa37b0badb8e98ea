// The one sensor-ID list grammar of the window, talvex-cli and talvex-sim.
#include "talvex/sensor_id_list.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using talvex::sensor::IdListError;
using talvex::sensor::parseSensorIdList;

TEST(SensorIdList, ReadsEveryFormTheSameWay) {
    struct Case {
        std::string text;
        std::vector<int> ids;
        IdListError error;
        std::string item;  // the item named in a refusal
    } cases[] = {
        // IDs and ranges, in the order written.
        {"1-3,7", {1, 2, 3, 7}, IdListError::None, ""},
        {"7,1-3", {7, 1, 2, 3}, IdListError::None, ""},
        {"5", {5}, IdListError::None, ""},
        {"4-4", {4}, IdListError::None, ""},
        {"1,247", {1, 247}, IdListError::None, ""},
        {"0x0A-0x0c", {10, 11, 12}, IdListError::None, ""},
        // Each ID once, where it first appears.
        {"3,1-4,3", {3, 1, 2, 4}, IdListError::None, ""},
        // Blanks separate as commas do; around a dash they belong to the range.
        {" 1 - 3 , 7 ", {1, 2, 3, 7}, IdListError::None, ""},
        {"1 2\t3\r\n4", {1, 2, 3, 4}, IdListError::None, ""},
        {"1 -3", {1, 2, 3}, IdListError::None, ""},
        // Empty items are skipped: the bus search writes "5, 7, ".
        {"5, 7, ", {5, 7}, IdListError::None, ""},
        {",,1,,2,", {1, 2}, IdListError::None, ""},
        // Nothing named.
        {"", {}, IdListError::NoId, ""},
        {" , ,\n", {}, IdListError::NoId, " , ,\n"},
        // Reversed ranges are refused, not turned round.
        {"5-3", {}, IdListError::ReversedRange, "5-3"},
        {"1, 9 - 2", {}, IdListError::ReversedRange, "9-2"},
        // Out of 1..247: broadcast 0, the reserved 248..255, huge numbers held, not wrapped.
        {"0", {}, IdListError::OutOfRange, "0"},
        {"248", {}, IdListError::OutOfRange, "248"},
        {"0-3", {}, IdListError::OutOfRange, "0-3"},
        {"240-250", {}, IdListError::OutOfRange, "240-250"},
        {"4294967297", {}, IdListError::OutOfRange, "4294967297"},
        // Garbage names the item.
        {"1,x", {}, IdListError::NotAnId, "x"},
        {"12ab34", {}, IdListError::NotAnId, "12ab34"},
        {"-4", {}, IdListError::NotAnId, "-4"},
        {"1-", {}, IdListError::NotAnId, "1-"},
        {"1-2-3", {}, IdListError::NotAnId, "1-2-3"},
        {"1;2", {}, IdListError::NotAnId, "1;2"},
        {"+5", {}, IdListError::NotAnId, "+5"},
        {"0x", {}, IdListError::NotAnId, "0x"},
        // The first bad item decides, and nothing is kept from the good ones.
        {"2, x, 0", {}, IdListError::NotAnId, "x"},
        {"2, 0, x", {}, IdListError::OutOfRange, "0"},
    };
    for (const Case& c : cases) {
        const auto list = parseSensorIdList(c.text);
        EXPECT_EQ(list.ids, c.ids) << '"' << c.text << '"';
        EXPECT_EQ(list.error, c.error) << '"' << c.text << '"';
        EXPECT_EQ(list.ok(), c.error == IdListError::None) << '"' << c.text << '"';
        EXPECT_EQ(list.item, c.item) << '"' << c.text << '"';
    }
}

TEST(SensorIdList, TheWholeBusIsOneRange) {
    const auto list = parseSensorIdList("1-247");
    ASSERT_TRUE(list.ok());
    ASSERT_EQ(list.ids.size(), 247u);
    EXPECT_EQ(list.ids.front(), 1);
    EXPECT_EQ(list.ids.back(), 247);
}

}  // namespace
