// Our own master (the RTU call interface) against the simulator on a pseudo-terminal: the
// measurement poll, writes, exceptions, corrupted replies, the history stream, and a sensor that
// follows the hydrogen calibration it is given.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "sim_test_util.hpp"
#include "talvex/rtu.h"
#include "talvex/sim/sim_bus.hpp"
#include "talvex/testing/sim_link.hpp"

using namespace talvex::sim;
using talvex::SensorModel;

namespace {

class RtuAgainstSim : public ::testing::Test {
  protected:
    void SetUp() override {
        BusOptions o;
        o.sensors = {defaultSensorConfig(1, SensorModel::KA), defaultSensorConfig(2, SensorModel::KG)};
        o.sensors[0].historyRecords = 50;
        o.sensors[0].historyFormat = 2;
        bus_ = std::make_unique<talvex::testing::SimLink>(std::move(o));
        ASSERT_TRUE(bus_->linkOpen());
    }
    std::unique_ptr<talvex::testing::SimLink> bus_;
};

std::uint16_t word(const unsigned char* b, int i) {
    return static_cast<std::uint16_t>(b[2 * i] << 8 | b[2 * i + 1]);
}

}  // namespace

TEST_F(RtuAgainstSim, PollsTheMeasurementBlockStatusAndFloats) {
    SensorValues v;
    v.dissolved = 1234;
    v.oilTemperature = 23.45;
    v.pressure = 101.3;
    bus_->setValues(1, v);
    unsigned char buf[250] = {};
    ASSERT_EQ(RTUReadHoldingRegisters(1, 0, 15, buf), RTU_OK);
    EXPECT_EQ(word(buf, 2) << 16 | word(buf, 3), 1234);
    EXPECT_EQ(word(buf, 8), 12345);
    ASSERT_EQ(RTUReadHoldingRegisters(1, 111, 1, buf), RTU_OK);
    EXPECT_NE(word(buf, 0) & 0x3, 0);
    ASSERT_EQ(RTUReadHoldingRegisters(1, 161, 6, buf), RTU_OK);
    EXPECT_EQ(word(buf, 0), 0x999A);
    EXPECT_EQ(word(buf, 1), 0x42CA);
}

TEST_F(RtuAgainstSim, WritesAndFailuresAsResultCodes) {
    unsigned char buf[8] = {};
    EXPECT_EQ(RTUWriteSingleRegister(2, 156, 8000), RTU_OK);
    const unsigned char setpoint[4] = {0x00, 0x03, 0x0D, 0x40};
    EXPECT_EQ(RTUWriteMultipleRegisters(200, 2053, 2, setpoint), RTU_OK);
    ASSERT_EQ(RTUReadHoldingRegisters(2, 156, 1, buf), RTU_OK);
    EXPECT_EQ(word(buf, 0), 8000);
    EXPECT_EQ(bus_->writeLog(200).at(0).values, (std::vector<std::uint16_t>{3, 0x0D40}));
    EXPECT_EQ(RTUReadHoldingRegisters(1, 61, 1, buf), RTU_EXCEPTION + 2);
    EXPECT_EQ(RTUReadInputRegisters(1, 0, 1, buf), RTU_EXCEPTION + 1);
    Faults crc;
    crc.crcErrorRate = 1;
    bus_->setFaults(crc);
    EXPECT_EQ(RTUReadHoldingRegisters(1, 111, 1, buf), RTU_ERR_CRC);
    EXPECT_EQ(RTUWriteSingleRegister(1, 145, 400), RTU_ERR_CRC);
    bus_->clearFaults();
    EXPECT_EQ(RTUReadHoldingRegisters(1, 111, 1, buf), RTU_OK);
}

TEST_F(RtuAgainstSim, HistoryStreamArrivesAsRecords) {
    EXPECT_EQ(RTUWriteSingleRegister(1, 99, 0), RTU_OK);
    EXPECT_EQ(RTUWriteSingleRegister(1, 100, 20), RTU_OK);
    ASSERT_EQ(RTUStartHistoryOutput(1), RTU_OK);
    std::vector<unsigned char> got;
    unsigned char buf[1024];
    for (int idle = 0; got.size() < 20 * 28 && idle < 3;) {
        const int n = RTUReadBytes(buf, static_cast<int>(sizeof buf));
        if (n <= 0) {
            ++idle;
            continue;
        }
        got.insert(got.end(), buf, buf + n);
    }
    ASSERT_EQ(got.size(), 20u * 28u);
    for (std::size_t r = 0; r < 20; ++r) {
        EXPECT_EQ(got[r * 28], 0x5A);
        EXPECT_EQ(got[r * 28 + 1], 0x19);
        EXPECT_EQ(got[r * 28 + 27], 0xA5);
    }
    // The line is free again afterwards.
    EXPECT_EQ(RTUReadHoldingRegisters(1, 102, 2, buf), RTU_OK);
    EXPECT_EQ(word(buf, 1), 50);
}

namespace {

std::int32_t int32At(int slave, int reg) {
    unsigned char buf[4] = {};
    if (RTUReadHoldingRegisters(slave, reg, 2, buf) != RTU_OK) return -1;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(word(buf, 0)) << 16 | word(buf, 1));
}

}  // namespace

// The calibration command decides which value the reference calibrates: a gas-phase point the gas
// value (registers 4-5), the in-oil command the oil value (0-1). The other one follows through the
// sensor's oil/gas relation (gas = oil / 0.05 here), as it does for a sensor.
TEST_F(RtuAgainstSim, HydrogenCalibrationCalibratesTheValueItNames) {
    struct Step {
        int reg;
        std::uint16_t value;
    };
    struct Case {
        const char* name;
        int slave;
        std::vector<Step> start;  // before the reference
        Step calibrate;
        std::uint16_t done;  // what the command register reads once calibrated
        std::int32_t reference, oil, gas;
    };
    const Case cases[] = {
        {"in-oil sensor, gas-phase point", 1, {{121, 1}}, {121, 17}, 16, 500, 25, 500},
        {"in-oil sensor, second gas-phase point", 1, {{121, 2}, {122, 1}}, {122, 17}, 16, 800, 40, 800},
        {"in-oil sensor, in-oil calibration", 1, {{121, 1001}}, {122, 1001}, 0, 150, 150, 3000},
        {"gas-phase sensor, gas-phase point", 2, {{121, 1}}, {121, 17}, 16, 500, 25, 500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(RTUWriteSingleRegister(c.slave, 123, 1), RTU_OK);  // from the uncalibrated sensor
        for (const Step& s : c.start) ASSERT_EQ(RTUWriteSingleRegister(c.slave, s.reg, s.value), RTU_OK);
        ASSERT_EQ(RTUWriteSingleRegister(c.slave, 126, 0), RTU_OK);
        ASSERT_EQ(RTUWriteSingleRegister(c.slave, 127, static_cast<std::uint16_t>(c.reference)), RTU_OK);
        ASSERT_EQ(RTUWriteSingleRegister(c.slave, c.calibrate.reg, c.calibrate.value), RTU_OK);
        unsigned char buf[2] = {};
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (
            (RTUReadHoldingRegisters(c.slave, c.calibrate.reg, 1, buf) != RTU_OK || word(buf, 0) != c.done) &&
            std::chrono::steady_clock::now() < deadline) {
        }
        ASSERT_EQ(word(buf, 0), c.done);
        EXPECT_NEAR(int32At(c.slave, 0), c.oil, 1 + c.oil / 100);
        EXPECT_NEAR(int32At(c.slave, 4), c.gas, 1 + c.gas / 100);
    }
}
