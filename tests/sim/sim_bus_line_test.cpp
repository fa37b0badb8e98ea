// The bus on a real pseudo-terminal: requests from a raw master, replies paced like a serial
// line, faults as a master sees them, the history stream, and masters written by others.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "sim_test_util.hpp"
#include "talvex/sim/sim_bus.hpp"
#include "talvex/testing/run_program.hpp"

using namespace simtest;
using namespace talvex::sim;
using talvex::SensorModel;

namespace {

BusOptions twoSensors() {
    BusOptions o;
    o.sensors = {defaultSensorConfig(1, SensorModel::KA), defaultSensorConfig(2, SensorModel::KG)};
    return o;
}

struct RunningBus {
    explicit RunningBus(BusOptions o) : bus(std::move(o)) {
        std::string error;
        started = bus.start(&error);
        EXPECT_TRUE(started) << error;
    }
    SimBus bus;
    bool started = false;
};

}  // namespace

TEST(SimBusLine, ServesReadsAndWritesOnThePseudoTerminal) {
    RunningBus r(twoSensors());
    ASSERT_TRUE(r.started);
    LineMaster m(r.bus.slavePath());
    ASSERT_TRUE(m.ok());
    const auto reply = m.transact(readRequest(1, 0, 15), 35);
    ASSERT_EQ(reply.size(), 35u);
    EXPECT_EQ(reply[0], 1);
    EXPECT_EQ(reply[1], 3);
    EXPECT_EQ(reply[2], 30);
    EXPECT_TRUE(talvex::crcMatches(reply.data(), reply.size()));

    EXPECT_EQ(m.transact(writeRequest(2, 145, 420), 8), writeRequest(2, 145, 420));
    EXPECT_EQ(registersOf(m.transact(readRequest(2, 145, 1), 7)), (std::vector<std::uint16_t>{420}));
    EXPECT_EQ(m.transact(writeManyRequest(200, 2053, {3, 0x0D40}), 8), withCrc({200, 16, 0x08, 0x05, 0, 2}));

    // What the sensor was told, in order.
    const auto log = r.bus.writeLog(2);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].function, 6);
    EXPECT_EQ(log[0].address, 145);
    EXPECT_EQ(log[0].values, (std::vector<std::uint16_t>{420}));
    ASSERT_EQ(r.bus.writeLog(200).size(), 1u);
    EXPECT_EQ(r.bus.writeLog(200)[0].values, (std::vector<std::uint16_t>{3, 0x0D40}));
}

TEST(SimBusLine, JunkOnTheLineDoesNotStopService) {
    RunningBus r(twoSensors());
    ASSERT_TRUE(r.started);
    LineMaster m(r.bus.slavePath());
    Bytes junk;
    for (int i = 0; i < 300; ++i) junk.push_back(static_cast<std::uint8_t>(i * 13 + 5));
    m.send(junk);
    EXPECT_TRUE(m.receive(1, Millis(200)).empty());
    auto corrupt = readRequest(1, 0, 15);
    corrupt[7] ^= 1;
    EXPECT_TRUE(m.transact(corrupt, 1, Millis(200)).empty());  // bad CRC: no answer
    const auto reply = m.transact(readRequest(1, 111, 1), 7);
    ASSERT_EQ(reply.size(), 7u);
    EXPECT_TRUE(talvex::crcMatches(reply.data(), reply.size()));
    EXPECT_GT(r.bus.droppedBytes(), 0u);
    // A function of unknown layout is framed by the silence after it and refused with exception 1.
    EXPECT_EQ(m.transact(withCrc({2, 0x2B, 0x0E, 0x01, 0x00}), 5), withCrc({2, 0xAB, 0x01}));
}

TEST(SimBusLine, FaultsAsTheMasterSeesThem) {
    struct Case {
        const char* name;
        Faults faults;
        std::size_t expectedSize;  // bytes that arrive for a read of one register
        bool crcGood;
    };
    Faults silent;
    silent.silent = {1};
    Faults crc;
    crc.crcErrorRate = 1;
    Faults drop;
    drop.dropRate = 1;
    Faults cut;
    cut.truncateRate = 1;
    Faults exception;
    exception.exceptions = {{1, 111, 4}};
    Faults delayed;
    delayed.delay = Millis(150);
    const std::vector<Case> cases = {
        {"none", Faults{}, 7, true},
        {"silent sensor", silent, 0, false},
        {"CRC errors", crc, 7, false},
        {"dropped requests", drop, 0, false},
        {"exception injected", exception, 5, true},
        {"late reply still arrives", delayed, 7, true},
    };
    RunningBus r(twoSensors());
    ASSERT_TRUE(r.started);
    LineMaster m(r.bus.slavePath());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        r.bus.setFaults(c.faults);
        // Waiting ends as soon as the reply is complete; only silence costs the whole wait.
        const auto reply = m.transact(readRequest(1, 111, 1), 7, Millis(c.expectedSize == 0 ? 400 : 1500));
        EXPECT_EQ(reply.size(), c.expectedSize);
        if (!reply.empty()) {
            EXPECT_EQ(talvex::crcMatches(reply.data(), reply.size()), c.crcGood);
        }
        // Other sensors are not touched by a fault aimed at sensor 1.
        if (!c.faults.silent.empty() || !c.faults.exceptions.empty()) {
            EXPECT_EQ(m.transact(readRequest(2, 111, 1), 7).size(), 7u);
        }
    }
    r.bus.setFaults(cut);
    const auto reply = m.transact(readRequest(1, 0, 15), 35, Millis(1000));
    EXPECT_GE(reply.size(), 1u);
    EXPECT_LT(reply.size(), 35u);
    r.bus.clearFaults();
    EXPECT_EQ(m.transact(readRequest(1, 0, 15), 35).size(), 35u);
}

TEST(SimBusLine, StopsAndRestartsCleanly) {
    BusOptions o;
    o.linkPath = ::testing::TempDir() + "talvex-sim-link-" + std::to_string(::getpid());
    SimBus bus(o);
    ASSERT_TRUE(bus.start());
    char target[256] = {};
    ASSERT_GT(::readlink(o.linkPath.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), bus.slavePath());
    {
        LineMaster m(o.linkPath);
        EXPECT_EQ(m.transact(readRequest(1, 150, 1), 7).size(), 7u);
    }
    bus.stop();
    struct stat st {};
    EXPECT_NE(::lstat(o.linkPath.c_str(), &st), 0);  // link removed with the line
    ASSERT_TRUE(bus.start());
    LineMaster m(bus.slavePath());
    EXPECT_EQ(m.transact(readRequest(1, 150, 1), 7).size(), 7u);
}

TEST(SimBusLine, InteroperatesWithMbpoll) {
    const std::string mbpoll = talvex::testing::onPath("mbpoll");
    if (mbpoll.empty()) GTEST_SKIP() << "mbpoll not installed";
    const std::string timeout = talvex::testing::onPath("timeout");
    ASSERT_FALSE(timeout.empty());
    BusOptions o = twoSensors();
    SensorValues v;
    v.dissolved = 321;
    RunningBus r(o);
    ASSERT_TRUE(r.started);
    r.bus.setValues(1, v);
    // Its messages and its data together, as an operator reads them off the terminal.
    const auto run = [&](const std::string& args, const std::string& values = "") {
        std::vector<std::string> command{"20", mbpoll};
        for (const auto& a : talvex::testing::words("-m rtu -b 19200 -P none -t 4 -1 -o 1 " + args))
            command.push_back(a);
        command.push_back(r.bus.slavePath());
        for (const auto& value : talvex::testing::words(values)) command.push_back(value);
        const auto ran = talvex::testing::runProgram(timeout, std::move(command));
        return ran.out + ran.err;
    };
    // mbpoll numbers registers from 1: reference 4 is register 3, the low half of H2DG.
    const auto block = run("-a 1 -r 1 -c 15");
    EXPECT_NE(block.find("[4]: \t321"), std::string::npos) << block;
    const auto written = run("-a 2 -r 146", "145");  // register 145 := 145
    EXPECT_EQ(r.bus.writeLog(2).size(), 1u) << written;
    EXPECT_NE(run("-a 2 -r 146 -c 1").find("[146]: \t145"), std::string::npos);
    EXPECT_NE(run("-a 1 -r 62 -c 1").find("Illegal data address"), std::string::npos);
    const auto many = run("-a 200 -r 2054", "3 3392");  // two registers by function 16
    ASSERT_EQ(r.bus.writeLog(200).size(), 1u) << many;
    EXPECT_EQ(r.bus.writeLog(200)[0].function, 16);
    EXPECT_EQ(r.bus.writeLog(200)[0].values, (std::vector<std::uint16_t>{3, 3392}));
}
