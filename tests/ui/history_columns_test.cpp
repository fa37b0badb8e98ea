// Widths of the history list's columns after a read.
#include <gtest/gtest.h>

#include "talvex/ui/logic/history_columns.hpp"

namespace talvex::ui {
namespace {

TEST(HistoryColumns, FitTextsThenFillTheWidth) {
    struct Case {
        const char* name;
        std::vector<int> headings, widest;
        int available;
        std::vector<int> expected;
    };
    const std::vector<int> h(7, 50);
    const Case cases[] = {
        // Heading or widest text + 14; the 344 px left over spread by 49 each, the last takes the rest.
        {"narrower than the list", h, {10, 130, 30, 40, 20, 40, 40}, 800, {99, 193, 99, 103, 99, 103, 104}},
        {"a text wider than 320 is cut to 320",
         h,
         {10, 400, 10, 10, 10, 10, 10},
         800,
         {75, 345, 75, 75, 75, 75, 80}},
        // 456 px into 300: each scaled, none below 40, the last column no narrower than 40 either.
        {"wider than the list", h, {10, 130, 30, 40, 20, 40, 40}, 300, {40, 94, 40, 40, 40, 40, 40}},
        {"exactly as wide", h, {10, 10, 10, 10, 10, 10, 10}, 350, {50, 50, 50, 50, 50, 50, 50}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(historyColumnWidths(c.headings, c.widest, c.available), c.expected) << c.name;
}

}  // namespace
}  // namespace talvex::ui
