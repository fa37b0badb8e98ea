// Random traffic must never break the bus: every answer is a well-formed frame (or the history
// stream), IDs stay valid, and the sensor still serves the measurement poll afterwards.
#include <gtest/gtest.h>

#include <random>

#include "sim_test_util.hpp"
#include "talvex/sim/frame_parser.hpp"

using namespace simtest;
using namespace talvex::sim;
using talvex::SensorModel;

TEST(Robustness, RandomRequestsGetWellFormedAnswers) {
    Timing timing;
    timing.processing = Millis(50);
    BusModel bus(timing, 11);
    DirectMaster m(bus);
    SensorConfig concentrator = defaultSensorConfig(3, SensorModel::KA);
    concentrator.concentrator = true;
    for (const auto& c :
         {defaultSensorConfig(1, SensorModel::KA), defaultSensorConfig(2, SensorModel::KF), concentrator})
        ASSERT_TRUE(bus.addSensor(c, m.now()));
    ASSERT_TRUE(bus.addFlowmeter(200, m.now()));

    std::mt19937 rng(1234);
    const auto pick = [&rng](std::uint32_t lo, std::uint32_t hi) {
        return std::uniform_int_distribution<std::uint32_t>(lo, hi)(rng);
    };
    const std::uint8_t slaves[] = {0, 1, 2, 3, 200, 9};
    const std::uint8_t functions[] = {1, 2, 3, 4, 5, 6, 15, 16, 3, 6, 16, 0x2B, 0x7F};
    for (int i = 0; i < 20000; ++i) {
        const std::uint8_t slave = slaves[pick(0, 5)];
        const std::uint8_t function = functions[pick(0, 12)];
        // Addresses near the interesting places and anywhere else.
        const std::uint16_t address = static_cast<std::uint16_t>(pick(0, 3) == 0 ? pick(0, 65535)
                                                                 : pick(0, 1)    ? pick(0, 260)
                                                                                 : pick(250, 4400));
        Bytes f{slave, function, static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address)};
        if (function == 16 || function == 15) {
            const auto quantity = pick(0, 130);
            const auto bytes = pick(0, 1) ? 2 * quantity : pick(0, 255);
            f.push_back(static_cast<std::uint8_t>(quantity >> 8));
            f.push_back(static_cast<std::uint8_t>(quantity));
            f.push_back(static_cast<std::uint8_t>(bytes));
            for (std::uint32_t b = 0; b < (bytes & 0xFF); ++b)
                f.push_back(static_cast<std::uint8_t>(pick(0, 255)));
        } else {
            const auto value = pick(0, 2) ? pick(0, 130) : pick(0, 65535);
            f.push_back(static_cast<std::uint8_t>(value >> 8));
            f.push_back(static_cast<std::uint8_t>(value));
        }
        const auto frame = withCrc(f);
        const Answer a = m.send(frame);
        m.advance(Millis(pick(0, 100)));
        if (a.silent) continue;
        const bool historyStream =
            function == 6 && a.bytes.size() != 8 && !a.bytes.empty() && a.bytes[0] == 0x5A;
        if (historyStream) continue;
        ASSERT_GE(a.bytes.size(), 5u) << i;
        EXPECT_TRUE(talvex::crcMatches(a.bytes.data(), a.bytes.size())) << i;
        EXPECT_EQ(a.bytes[1] & 0x7F, function) << i;
        if (a.bytes[1] & 0x80) {
            EXPECT_EQ(a.bytes.size(), 5u);
            EXPECT_GE(a.bytes[2], 1);
            EXPECT_LE(a.bytes[2], 3);
        }
    }
    // Whatever IDs the sensors took, each still answers the poll of the measurement block.
    const auto ids = bus.slaveIds();
    EXPECT_EQ(ids.size(), 4u);
    for (const auto id : ids) {
        if (id == 200) continue;
        EXPECT_EQ(m.read(id, 0, 15).registers.size(), 15u) << int(id);
        EXPECT_EQ(m.read(id, 161, 6).registers.size(), 6u) << int(id);
    }
}

TEST(Robustness, ParserSurvivesRandomBytes) {
    FrameParser parser(std::chrono::microseconds(1750));
    std::mt19937 rng(99);
    TimePoint t = TimePoint{} + std::chrono::seconds(1);
    const Bytes good = readRequest(1, 0, 15);
    std::size_t recovered = 0;
    for (int round = 0; round < 2000; ++round) {
        Bytes junk(std::uniform_int_distribution<std::size_t>(0, 40)(rng));
        for (auto& b : junk) b = static_cast<std::uint8_t>(rng());
        parser.feed(junk.data(), junk.size(), t);
        t += std::chrono::milliseconds(3);  // silence, then a good frame
        while (parser.next(t)) {
        }
        parser.feed(good.data(), good.size(), t);
        const auto frame = parser.next(t);
        if (frame == good) ++recovered;
        t += std::chrono::milliseconds(3);
        while (parser.next(t)) {
        }
    }
    // A good frame after a silence is always found, whatever junk came before.
    EXPECT_EQ(recovered, 2000u);
}

TEST(Robustness, FaultsRepeatWithTheSeed) {
    // What each of a run of requests met: answered, silent, corrupted or cut.
    const auto pattern = [](std::uint64_t seed) {
        BusModel bus(Timing{}, seed);
        DirectMaster m(bus);
        bus.addSensor(defaultSensorConfig(1, SensorModel::KA), m.now());
        Faults f;
        f.dropRate = 0.25;
        f.crcErrorRate = 0.25;
        f.truncateRate = 0.25;
        bus.setFaults(f);
        std::string seen;
        for (int i = 0; i < 200; ++i) {
            const auto a = m.send(readRequest(1, 0, 15));
            seen += a.silent                                              ? '-'
                    : a.bytes.size() < 35                                 ? 't'
                    : !talvex::crcMatches(a.bytes.data(), a.bytes.size()) ? 'c'
                                                                          : 'x';
        }
        return seen;
    };
    const auto a = pattern(42);
    EXPECT_EQ(a, pattern(42));
    EXPECT_NE(a, pattern(43));
    for (const char outcome : {'-', 't', 'c', 'x'}) EXPECT_NE(a.find(outcome), std::string::npos) << outcome;
}

TEST(Robustness, LostRequestRuleLosesExactlyTheNthMatchingRequest) {
    // Register 9 (energy) takes writes and reads them back, so what the sensor acted on shows.
    for (const bool replyOnly : {false, true}) {
        SCOPED_TRACE(replyOnly);
        BusModel bus(Timing{}, 1);
        DirectMaster m(bus);
        bus.addSensor(defaultSensorConfig(1, SensorModel::KA), m.now());
        Faults f;
        f.lost = {{1, 9, 2, replyOnly}};
        bus.setFaults(f);
        EXPECT_FALSE(m.write(1, 10, 3).silent) << "another register does not count";
        EXPECT_FALSE(m.write(1, 9, 40).silent);         // first request touching 9
        EXPECT_TRUE(m.write(1, 9, 41).silent);          // the second is lost
        EXPECT_EQ(m.read1(1, 9), replyOnly ? 41 : 40);  // the third (a read) goes through
        EXPECT_EQ(bus.stats(1).dropped, 1u);
        bus.setFaults(f);  // setting the faults again starts the count again
        EXPECT_FALSE(m.read(1, 10, 5).silent) << "10..14 does not touch 9";
        EXPECT_FALSE(m.read(1, 5, 5).silent);  // 5..9: the first touching 9
        EXPECT_TRUE(m.read(1, 9).silent);
    }
}
