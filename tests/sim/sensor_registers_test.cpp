// The register map of a simulated sensor as a master sees it: measurement block encodings,
// status bits, settings, identity, exceptions for unknown registers and functions, ID change.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "sim_test_util.hpp"
#include "talvex/sensor_registers.hpp"

using namespace simtest;
using namespace talvex::sim;
using talvex::SensorModel;

namespace {

struct Fixture {
    explicit Fixture(std::vector<SensorConfig> sensors = {defaultSensorConfig(1, SensorModel::KA)},
                     Timing timing = Timing{})
        : bus(timing, 7), master(bus) {
        for (const auto& s : sensors) EXPECT_TRUE(bus.addSensor(s, master.now()));
        EXPECT_TRUE(bus.addFlowmeter(200, master.now()));
    }
    void set(std::uint8_t id, const SensorValues& v) {
        ASSERT_TRUE(bus.withSensor(id, [&](Sensor& s) { s.setValues(v); }));
    }
    BusModel bus;
    DirectMaster master;
};

std::int32_t s32(const std::vector<std::uint16_t>& r, std::size_t i) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(r[i]) << 16 | r[i + 1]);
}

}  // namespace

TEST(SensorRegisters, MeasurementBlockEncodings) {
    Fixture f;
    SensorValues v;
    v.dissolved = 123;
    v.gas = 2460;
    v.oilTemperature = 23.45;
    v.sensorTemperature = -100;
    v.dailyRate = -2;
    v.pressure = 101.3;
    v.moisture = 15.5;
    v.moistureTemperature = 40.25;
    f.set(1, v);
    const auto block = f.master.read(1, 0, 15).registers;
    ASSERT_EQ(block.size(), 15u);
    EXPECT_EQ(s32(block, 0), 123);
    EXPECT_EQ(s32(block, 2), 123);
    EXPECT_EQ(s32(block, 4), 2460);
    EXPECT_EQ(block[6], 0);      // -100 degC is raw 0
    EXPECT_EQ(block[8], 12345);  // (23.45 + 100) x 100
    EXPECT_EQ(block[14], 0xFFFE);
    const auto floats = f.master.read(1, 161, 6).registers;
    ASSERT_EQ(floats.size(), 6u);
    // Low-order half in the lower register: 101.3f is 0x42CA999A.
    EXPECT_EQ(floats[0], 0x999A);
    EXPECT_EQ(floats[1], 0x42CA);
    EXPECT_FLOAT_EQ(floatFromLowFirst(floats[2], floats[3]), 40.25f);
    EXPECT_FLOAT_EQ(floatFromLowFirst(floats[4], floats[5]), 15.5f);
}

TEST(SensorRegisters, GasPhaseAndInOilModelsAgreeOnEquilibrium) {
    Fixture f({defaultSensorConfig(1, SensorModel::KA), defaultSensorConfig(2, SensorModel::KG)});
    for (const std::uint8_t id : {std::uint8_t{1}, std::uint8_t{2}}) {
        const auto r = f.master.read(id, 0, 6).registers;
        ASSERT_EQ(r.size(), 6u);
        const double dissolved = s32(r, 2), gas = s32(r, 4);
        EXPECT_GT(dissolved, 0);
        EXPECT_NEAR(gas, dissolved * 20, 20.0 + dissolved);  // Ostwald coefficient 0.05, rounding
    }
    // The gas-phase model's main value is the gas phase: hundreds of ppm.
    EXPECT_GT(s32(f.master.read(2, 4, 2).registers, 0), 150);
}

TEST(SensorRegisters, HydrogenVariesSlowly) {
    Fixture f;
    const auto h0 = s32(f.master.read(1, 2, 2).registers, 0);
    f.master.advance(Millis(60'000));
    const auto h1 = s32(f.master.read(1, 2, 2).registers, 0);
    f.master.advance(Millis(6 * 3600'000));
    const auto h2 = s32(f.master.read(1, 2, 2).registers, 0);
    EXPECT_LE(std::abs(h1 - h0), 2);  // a minute: barely moves
    EXPECT_NE(h2, h0);                // hours: it does move
    EXPECT_LT(std::abs(h2 - h0), h0);
}

TEST(SensorRegisters, StatusWordBits) {
    struct Case {
        const char* name;
        SensorValues values;
        std::vector<std::pair<std::uint16_t, std::uint16_t>> writes;
        std::uint16_t set;    // bits expected set
        std::uint16_t clear;  // bits expected clear
    };
    SensorValues quiet;
    quiet.dissolved = 50;
    quiet.oilTemperature = 40;
    quiet.dailyRate = 1;
    SensorValues high = quiet;
    high.dissolved = 800;
    SensorValues rising = quiet;
    rising.dailyRate = 80;
    SensorValues hot = quiet;
    hot.oilTemperature = 95;
    SensorValues overTemp = quiet;
    overTemp.sensorTemperature = 140;
    SensorValues faulty = quiet;
    faulty.statusBitsSet = 0x0C00;
    const std::vector<Case> cases = {
        {"no alarm", quiet, {}, 0x0180, 0x0074},
        {"alarm 1 above the hydrogen threshold", high, {}, 0x0010, 0x0060},
        {"alarm 1 threshold moved above the value", high, {{152, 0}, {153, 900}}, 0, 0x0010},
        {"alarm 2 on the daily rate", rising, {}, 0x0020, 0x0050},
        {"alarm 3 on the oil temperature", hot, {}, 0x0040, 0x0030},
        {"over-temperature replaces the measuring state", overTemp, {}, 0x0004, 0x0003},
        {"element faults", faulty, {}, 0x0C00, 0},
        {"pressure sensor switched off", quiet, {{160, 0x0102}}, 0x0080, 0x0100},
        {"moisture sensor switched off", quiet, {{160, 0x0202}}, 0x0100, 0x0080},
        {"heating off", quiet, {{160, 4}}, 0, 0x0200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.set(1, c.values);
        for (const auto& [a, v] : c.writes) ASSERT_FALSE(f.master.write(1, a, v).silent);
        const auto status = f.master.read1(1, 111);
        EXPECT_EQ(status & c.set, c.set);
        EXPECT_EQ(status & c.clear, 0);
    }
}

TEST(SensorRegisters, MeasuringCycleAlternatesHydrogenAndTemperature) {
    Timing timing;
    timing.measureCycle = Millis(3000);
    Fixture f({defaultSensorConfig(1, SensorModel::KA)}, timing);
    std::set<std::uint16_t> states;
    for (int i = 0; i < 6; ++i) {
        states.insert(f.master.read1(1, 111) & 0x7);
        f.master.advance(Millis(500));
    }
    EXPECT_EQ(states, (std::set<std::uint16_t>{1, 2}));
}

TEST(SensorRegisters, SettingsReadBackAsWritten) {
    Fixture f;
    const std::vector<std::pair<std::uint16_t, std::uint16_t>> writes = {
        {141, 0},      {142, 10},     {143, 1},    {144, 4464}, {145, 400},
        {146, 2000},   {147, 350},    {148, 380},  {152, 0},    {153, 300},
        {154, 0xFFFF}, {155, 0xFFF6}, {156, 8500}, {157, 15},   {151, 0x1001}};
    for (const auto& [a, v] : writes) {
        const auto echo = f.master.write(1, a, v);
        EXPECT_EQ(echo.bytes, writeRequest(1, a, v)) << a;  // function 6 answers with the echo
    }
    for (const auto& [a, v] : writes) EXPECT_EQ(f.master.read1(1, a), v) << a;
    // Function 16 writes the same registers in one request.
    ASSERT_FALSE(f.master.writeMany(1, 152, {0, 77, 0, 5}).silent);
    EXPECT_EQ(f.master.read(1, 152, 4).registers, (std::vector<std::uint16_t>{0, 77, 0, 5}));
}

TEST(SensorRegisters, IdentityTextsAndClock) {
    Fixture f;
    const auto firmware = f.master.read(1, 89, 10).registers;
    ASSERT_EQ(firmware.size(), 10u);
    EXPECT_FALSE(textFromReadLayout(firmware.data()).empty());
    // Clock fields in BCD: set 12-08, 2026, 09 h, 30:15; the clock then runs on.
    for (const auto& [a, v] : std::vector<std::pair<std::uint16_t, std::uint16_t>>{
             {130, 0x1208}, {131, 0x2026}, {132, 0x0009}, {133, 0x3015}})
        ASSERT_FALSE(f.master.write(1, a, v).silent);
    EXPECT_EQ(f.master.read(1, 130, 3).registers, (std::vector<std::uint16_t>{0x1208, 0x2026, 0x0009}));
    f.master.advance(Millis(10'000));
    EXPECT_EQ(f.master.read1(1, 133), 0x3025);
}

TEST(SensorRegisters, ExceptionsAndSilence) {
    Fixture f;
    struct Case {
        const char* name;
        Bytes request;
        bool silent;
        std::uint8_t exception;
    };
    const std::vector<Case> cases = {
        {"unknown register", readRequest(1, 61, 1), false, 2},
        {"range running into an unknown register", readRequest(1, 55, 10), false, 2},
        {"node block without a concentrator", readRequest(1, 256, 15), false, 2},
        {"write to a measurement register", writeRequest(1, 2, 5), false, 2},
        {"write to the firmware text", writeRequest(1, 89, 5), false, 2},
        {"function 4", readRequest(1, 0, 1, 4), false, 1},
        {"function 1", readRequest(1, 0, 1, 1), false, 1},
        {"quantity 126", readRequest(1, 0, 126), false, 3},
        {"quantity 0", readRequest(1, 0, 0), false, 3},
        {"slave not on the bus", readRequest(9, 0, 15), true, 0},
        {"broadcast", writeRequest(0, 145, 1), true, 0},
        {"flowmeter register a sensor lacks", readRequest(1, 2103, 1), false, 2},
        {"sensor register the flowmeter lacks", readRequest(200, 0, 1), false, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto a = f.master.send(c.request);
        EXPECT_EQ(a.silent, c.silent);
        EXPECT_EQ(a.exception, c.exception);
        if (!c.silent) {
            EXPECT_TRUE(talvex::crcMatches(a.bytes.data(), a.bytes.size()));
            EXPECT_EQ(a.bytes[0], c.request[0]);
        }
    }
    // A refused write changes nothing.
    EXPECT_EQ(f.master.writeMany(1, 156, {7000, 15, 99}).exception, 2);  // 158 does not exist
    EXPECT_EQ(f.master.read1(1, 156), 9000);
}

TEST(SensorRegisters, IdChangeAnswersAtTheNewId) {
    Fixture f({defaultSensorConfig(1, SensorModel::KA), defaultSensorConfig(2, SensorModel::KA)});
    const auto echo = f.master.write(1, 150, 9);
    EXPECT_EQ(echo.bytes, writeRequest(1, 150, 9));  // the answer still comes from the old ID
    EXPECT_TRUE(f.master.read(1, 0, 1).silent);
    EXPECT_EQ(f.master.read1(9, 150), 9);
    // Taken and invalid IDs are refused and change nothing.
    EXPECT_EQ(f.master.write(9, 150, 2).exception, 3);
    EXPECT_EQ(f.master.write(9, 150, 200).exception, 3);
    EXPECT_EQ(f.master.write(9, 150, 0).exception, 3);
    EXPECT_EQ(f.master.write(9, 150, 248).exception, 3);
    EXPECT_EQ(f.master.read1(9, 150), 9);
}

TEST(SensorRegisters, WirelessEnergyAndSendInterval) {
    Timing timing;
    timing.wirelessApply = Millis(2000);
    Fixture f({defaultSensorConfig(1, SensorModel::KF)}, timing);
    ASSERT_FALSE(f.master.write(1, 9, 0x0150).silent);  // only the low byte counts: 80
    ASSERT_FALSE(f.master.write(1, 10, 125 / 10).silent);
    // The wireless sensor takes them at its next wake-up.
    EXPECT_EQ(f.master.read1(1, 9), 100);
    EXPECT_EQ(f.master.read1(1, 10), 60);
    f.master.advance(Millis(2500));
    EXPECT_EQ(f.master.read1(1, 9), 80);
    EXPECT_EQ(f.master.read1(1, 10), 120);  // stored as seconds / 10, read as seconds
}

TEST(SensorRegisters, ConcentratorNodeBlocks) {
    SensorConfig c = defaultSensorConfig(5, SensorModel::KA);
    c.concentrator = true;
    Fixture f({c});
    std::set<std::int32_t> values;
    for (unsigned k = 1; k <= 16; ++k) {
        const auto base = static_cast<std::uint16_t>(256 * k);
        const auto block = f.master.read(5, base, 15);
        ASSERT_EQ(block.registers.size(), 15u) << k;
        values.insert(s32(block.registers, 2));
        EXPECT_LE(block.registers[9], 100u);  // state of charge
        EXPECT_NE(f.master.read1(5, static_cast<std::uint16_t>(base + 111)) & 0x3, 0);
        EXPECT_EQ(f.master.read(5, static_cast<std::uint16_t>(base + 161), 6).registers.size(), 6u);
    }
    EXPECT_GT(values.size(), 8u);  // nodes differ
    EXPECT_EQ(f.master.read(5, 17 * 256, 1).exception, 2);
    EXPECT_EQ(f.master.read(5, 256 + 20, 1).exception, 2);
}

TEST(SensorRegisters, ValuesRepeatWithTheSeedAndDifferAcrossSeeds) {
    const auto blockAfter = [](std::uint64_t seed, Millis elapsed) {
        BusModel bus(Timing{}, seed);
        DirectMaster m(bus);
        bus.addSensor(defaultSensorConfig(4, SensorModel::KA), m.now());
        m.advance(elapsed);
        auto regs = m.read(4, 0, 15).registers;
        const auto floats = m.read(4, 161, 6).registers;
        regs.insert(regs.end(), floats.begin(), floats.end());
        return regs;
    };
    EXPECT_EQ(blockAfter(8, Millis(90'000)), blockAfter(8, Millis(90'000)));
    EXPECT_NE(blockAfter(8, Millis(90'000)), blockAfter(9, Millis(90'000)));
}

// Values over time for trying alarms: a ramp, a spike over it and alarm bits from a moment on, on
// the simulator's clock as a master reads them.
TEST(SensorRegisters, ScenariosMoveTheValuesOverTime) {
    auto c = defaultSensorConfig(1, SensorModel::KA);
    c.h2Ramp = HydrogenRamp{100, 900, 100};
    c.h2Spike = HydrogenSpike{2000, 30, 10};
    c.statusBits = StatusBitsFrom{0x40, 60};
    Fixture f({c});
    const struct {
        int atSeconds;
        std::int32_t ppm;
        bool alarm1, alarm3;  // the sensor's own threshold is 500 ppm
    } steps[] = {{0, 100, false, false},  {25, 300, false, false}, {30, 2000, true, false},
                 {39, 2000, true, false}, {40, 420, false, false}, {60, 580, true, true},
                 {100, 900, true, true},  {500, 900, true, true}};
    int at = 0;
    for (const auto& s : steps) {
        f.master.advance(std::chrono::seconds(s.atSeconds - at));
        at = s.atSeconds;
        EXPECT_EQ(s32(f.master.read(1, 0, 2).registers, 0), s.ppm) << s.atSeconds << " s";
        const std::uint16_t status = f.master.read(1, talvex::sensor::reg::kStatus).registers.at(0);
        EXPECT_EQ((status & talvex::sensor::reg::kStatusAlarm1) != 0, s.alarm1) << s.atSeconds << " s";
        EXPECT_EQ((status & talvex::sensor::reg::kStatusAlarm3) != 0, s.alarm3) << s.atSeconds << " s";
    }
}
