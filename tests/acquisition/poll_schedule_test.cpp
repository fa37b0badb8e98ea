// The poll schedule on an injected clock.
#include <gtest/gtest.h>

#include <vector>

#include "talvex/acquisition/poll_schedule.hpp"

namespace talvex::acquisition {
namespace {

ChannelEntry enabled(std::uint8_t rate) {
    return {1, rate, 1};
}

// Times (ms) at which slot 1 is polled while the clock steps by `step` up to `until`.
std::vector<std::uint64_t> pollTimes(PollSchedule& s, ChannelEntry ch, std::uint64_t start,
                                     std::uint64_t until, std::uint64_t step, bool succeed) {
    std::vector<std::uint64_t> out;
    for (std::uint64_t t = start; t <= until; t += step)
        if (s.begin(1, ch, t)) {
            out.push_back(t);
            if (succeed) s.pollSucceeded(1);
        }
    return out;
}

TEST(PollSchedule, RateZeroIsDueEveryCycle) {
    PollSchedule s;
    EXPECT_EQ(pollTimes(s, enabled(0), 1000, 1500, 100, true).size(), 6u);
}

TEST(PollSchedule, DisabledSlotIsNeverPolled) {
    PollSchedule s;
    EXPECT_TRUE(pollTimes(s, {1, 0, 0}, 0, 5000, 100, true).empty());
    EXPECT_TRUE(pollTimes(s, {1, 0, 2}, 0, 5000, 100, true).empty());
}

TEST(PollSchedule, Rate45IsCappedAt30Seconds) {
    PollSchedule s;
    const auto t = pollTimes(s, enabled(45), 100000, 200000, 100, true);
    EXPECT_EQ(t, (std::vector<std::uint64_t>{100000, 130000, 160000, 190000}));
}

TEST(PollSchedule, KeepsCadenceWithoutDrift) {
    PollSchedule s;
    // Polled 70 ms late each time, yet due times stay on the 2 s grid.
    ASSERT_TRUE(s.begin(1, enabled(2), 10000));
    s.pollSucceeded(1);
    EXPECT_EQ(s.nextDue(1), 12000u);
    ASSERT_TRUE(s.begin(1, enabled(2), 12070));
    EXPECT_EQ(s.nextDue(1), 14000u);
}

TEST(PollSchedule, ReanchorsAfterALongPauseInsteadOfBursting) {
    PollSchedule s;
    ASSERT_TRUE(s.begin(1, enabled(1), 1000));
    s.pollSucceeded(1);
    // Ten minutes without cycles: one poll, then the normal 1 s cadence from now.
    const auto t = pollTimes(s, enabled(1), 601000, 603500, 100, true);
    EXPECT_EQ(t, (std::vector<std::uint64_t>{601000, 602000, 603000}));
}

TEST(PollSchedule, ResetMakesEverySlotDueAtOnce) {
    PollSchedule s;
    ASSERT_TRUE(s.begin(1, enabled(30), 1000));
    ASSERT_TRUE(s.begin(2, {2, 30, 1}, 1000));
    EXPECT_FALSE(s.begin(1, enabled(30), 2000));
    s.reset();
    EXPECT_EQ(s.missCount(1), 0);
    EXPECT_TRUE(s.begin(1, enabled(30), 2000));
    EXPECT_TRUE(s.begin(2, {2, 30, 1}, 2000));
}

TEST(PollSchedule, SilentSensorBacksOffTwiceThenFiveTimes) {
    PollSchedule s;
    const auto t = pollTimes(s, enabled(2), 0, 40000, 100, false);
    // Intervals: 2 s, then 4 s twice, then 10 s.
    EXPECT_EQ(t, (std::vector<std::uint64_t>{0, 2000, 6000, 10000, 20000, 30000, 40000}));
    EXPECT_EQ(s.missCount(1), 7);
    // One success restores the normal interval.
    s.pollSucceeded(1);
    ASSERT_FALSE(s.begin(1, enabled(2), 45000));
    ASSERT_TRUE(s.begin(1, enabled(2), 50000));
    EXPECT_EQ(s.nextDue(1), 52000u);
}

TEST(PollSchedule, BackoffNeverExceedsTheCap) {
    EXPECT_EQ(PollSchedule::intervalMs(10, 3), 30000u);
    EXPECT_EQ(PollSchedule::intervalMs(10, 1), 20000u);
    EXPECT_EQ(PollSchedule::intervalMs(0, 50), 0u);
    EXPECT_EQ(PollSchedule::intervalMs(255, 0), 30000u);
}

TEST(PollSchedule, MissCountStopsAt100) {
    PollSchedule s;
    pollTimes(s, enabled(0), 0, 20000, 100, false);
    EXPECT_EQ(s.missCount(1), 100);
}

}  // namespace
}  // namespace talvex::acquisition
