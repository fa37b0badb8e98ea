// The simulated sensor's history stream: its size in both formats and its faults on request
// (a damaged record, a stream that breaks off, a pause), and the options that set them.
#include <gtest/gtest.h>

#include "sim_test_util.hpp"
#include "talvex/history_registers.hpp"
#include "talvex/sim/options.hpp"

using namespace simtest;
using namespace talvex::sim;
using namespace talvex::sensor::history;
using talvex::SensorModel;

namespace {

struct StreamCase {
    const char* name;
    int format;
    std::uint32_t stored, requested, corrupt, stopAfter, pauseAfter;
    std::size_t records;  // records in the stream
    std::size_t pauseAt;  // bytes before the pause
};

TEST(SensorHistory, StreamSizeAndFaults) {
    const StreamCase cases[] = {
        {"V2, all of them (0 requested)", 2, 30, 0, 0, 0, 0, 30, 0},
        {"V1, fewer requested", 1, 30, 12, 0, 0, 0, 12, 0},
        {"more requested than stored", 2, 30, 70000, 0, 0, 0, 30, 0},
        {"record 3 damaged", 2, 10, 10, 3, 0, 0, 10, 0},
        {"breaks off after 4", 1, 10, 10, 0, 4, 0, 4, 0},
        {"pause after 5", 2, 10, 10, 0, 0, 5, 10, 5 * 28},
    };
    for (const auto& c : cases) {
        auto config = defaultSensorConfig(1, SensorModel::KA);
        config.historyFormat = c.format;
        config.historyRecords = c.stored;
        config.historyCorruptRecord = c.corrupt;
        config.historyStopAfter = c.stopAfter;
        config.historyPauseAfter = c.pauseAfter;
        config.historyPause = Millis(c.pauseAfter ? 800 : 0);
        BusModel bus(Timing{}, 7);
        DirectMaster master(bus);
        ASSERT_TRUE(bus.addSensor(config, master.now()));
        EXPECT_EQ(master.read(1, kStoredCount, 2).registers,
                  (std::vector<std::uint16_t>{static_cast<std::uint16_t>(c.stored >> 16),
                                              static_cast<std::uint16_t>(c.stored)}))
            << c.name;
        master.write(1, kRequestedCountHigh, static_cast<std::uint16_t>(c.requested >> 16));
        master.write(1, kRequestedCountLow, static_cast<std::uint16_t>(c.requested));
        const auto out = bus.handle(writeRequest(1, kStart, kStartCommand), master.now());
        ASSERT_TRUE(out) << c.name;
        const std::size_t size = c.format == 2 ? kV2RecordSize : kV1RecordSize;
        ASSERT_EQ(out->bytes.size(), c.records * size) << c.name;
        EXPECT_EQ(out->pauseAt, c.pauseAt) << c.name;
        for (std::size_t i = 0; i < c.records; ++i) {
            const std::uint8_t* r = out->bytes.data() + i * size;
            EXPECT_EQ(r[0], kStartMarker) << c.name << " record " << i + 1;
            if (c.format == 2) {
                EXPECT_EQ(r[1], kV2Tag) << c.name;
            }
            EXPECT_EQ(r[size - 1] == kEndMarker, i + 1 != c.corrupt) << c.name << " record " << i + 1;
        }
    }
}

TEST(SensorHistory, ProgramOptions) {
    ProgramOptions o;
    std::string error;
    ASSERT_TRUE(parseProgramOptions({"--history", "v1", "--history-records", "1000000", "--history-corrupt",
                                     "7", "--history-stop-after", "500", "--history-pause", "100:3000"},
                                    o, error))
        << error;
    const SensorConfig& s = o.bus.sensors.at(0);
    EXPECT_EQ(s.historyFormat, 1);
    EXPECT_EQ(s.historyRecords, 1000000u);
    EXPECT_EQ(s.historyCorruptRecord, 7u);
    EXPECT_EQ(s.historyStopAfter, 500u);
    EXPECT_EQ(s.historyPauseAfter, 100u);
    EXPECT_EQ(s.historyPause, Millis(3000));
    for (const auto& bad : std::vector<std::vector<std::string>>{{"--history-records", "-1"},
                                                                 {"--history-corrupt", "0"},
                                                                 {"--history-stop-after", "x"},
                                                                 {"--history-pause", "100"},
                                                                 {"--history-pause", "0:10"}}) {
        EXPECT_FALSE(parseProgramOptions(bad, o, error)) << bad[0] << " " << bad[1];
        EXPECT_NE(error.find(bad[0]), std::string::npos) << error;
    }
}

}  // namespace
