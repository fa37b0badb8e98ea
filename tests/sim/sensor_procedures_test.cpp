// The exchanges a sensor answers, each as a table of cases: commit codes and their
// acknowledgements, text items and text writes, command register 160, fine adjustment,
// calibration result codes, the wireless CAL_Status handshake, history streams, the flowmeter.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "sim_test_util.hpp"

using namespace simtest;
using namespace talvex::sim;
using talvex::SensorModel;

namespace {

Timing slowTiming() {
    Timing t;
    t.processing = Millis(300);
    t.handshakeStage = Millis(3000);
    return t;
}

struct Bench {
    explicit Bench(SensorConfig config = defaultSensorConfig(1, SensorModel::KA),
                   Timing timing = slowTiming())
        : bus(timing, 3), m(bus) {
        EXPECT_TRUE(bus.addSensor(config, m.now()));
        EXPECT_TRUE(bus.addFlowmeter(200, m.now()));
    }
    void write(std::uint16_t a, std::uint16_t v) {
        ASSERT_EQ(m.write(1, a, v).bytes, writeRequest(1, a, v)) << a;
    }
    std::uint16_t read(std::uint16_t a) { return m.read1(1, a); }
    std::string window() {
        const auto regs = m.read(1, 191, 10).registers;
        return regs.size() == 10 ? textFromReadLayout(regs.data()) : "<no reply>";
    }
    void sensor(const std::function<void(Sensor&)>& fn) { ASSERT_TRUE(bus.withSensor(1, fn)); }
    BusModel bus;
    DirectMaster m;
};

std::vector<std::uint16_t> s64e9(double v) {
    const auto x = static_cast<std::uint64_t>(static_cast<std::int64_t>(v * 1e9));
    return {static_cast<std::uint16_t>(x >> 48), static_cast<std::uint16_t>(x >> 32),
            static_cast<std::uint16_t>(x >> 16), static_cast<std::uint16_t>(x)};
}

std::vector<std::uint16_t> s32(std::int32_t v) {
    const auto x = static_cast<std::uint32_t>(v);
    return {static_cast<std::uint16_t>(x >> 16), static_cast<std::uint16_t>(x)};
}

std::vector<std::uint16_t> textWrite(const std::string& s) {
    const auto a = text20WriteLayout(s);
    return {a.begin(), a.end()};
}

std::uint32_t be32(const Bytes& b, std::size_t i) {
    return static_cast<std::uint32_t>(b[i]) << 24 | static_cast<std::uint32_t>(b[i + 1]) << 16 |
           static_cast<std::uint32_t>(b[i + 2]) << 8 | b[i + 3];
}

}  // namespace

TEST(SensorProcedures, CommitCodesAcknowledgeAndRenderTheirItems) {
    struct Case {
        std::uint16_t code;
        std::uint16_t ack;
        std::uint16_t first;  // first staged register
        std::vector<std::uint16_t> staged;
        std::uint16_t item;  // 0: no item to check
        std::string text;
    };
    const std::vector<Case> cases = {
        {17, 153, 19, s64e9(1.5), 2566, "1.5"},
        {34, 136, 23, {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}, 2579, "-0.000000001"},
        {51, 119, 19, s64e9(2.25), 2576, "2.25"},
        {68, 102, 19, s64e9(25), 0, ""},
        {85, 102, 19, s64e9(80), 0, ""},
        {1001, 9001, 21, s32(123456), 2584, "12.3456"},
        {1002, 9002, 179, s32(-5000), 2593, "-0.5"},
        {1002, 9002, 19, s32(1234560000), 2587, "123456"},
        {1003, 9003, 247, s32(1000500), 2559, "1000.5"},
        {1003, 9003, 231, s64e9(3), 2560, "3.0"},
        {1004, 9004, 23, s32(5), 2582, "0.0005"},
        {1005, 9005, 23, s64e9(-0.75), 2570, "-0.75"},
        {1006, 9006, 27, s64e9(12), 2608, "12.0"},
        {1007, 9007, 23, s64e9(20000), 2565, "20000.0"},
        {1008, 9008, 19, s64e9(107.79), 2601, "107.79"},
        {1009, 9009, 23, s64e9(0.125), 2603, "0.125"},
        {1010, 9010, 19, s64e9(0.5), 2604, "0.5"},
        {1011, 9011, 23, s64e9(1.25), 2607, "1.25"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        Bench b;
        for (std::size_t i = 0; i < c.staged.size(); ++i)
            b.write(static_cast<std::uint16_t>(c.first + i), c.staged[i]);
        b.write(253, c.code);
        EXPECT_EQ(b.read(253), c.code);  // still working
        b.m.advance(Millis(1000));
        EXPECT_EQ(b.read(253), c.ack);
        if (c.item != 0) {
            b.write(254, c.item);
            EXPECT_EQ(b.read(254), c.item * 10);
            EXPECT_EQ(b.window(), c.text);
        }
    }
}

TEST(SensorProcedures, TemperatureCalibrationCorrectsRegister6) {
    Bench b;
    b.write(160, 4);  // heating off: the core follows the oil
    SensorValues v;
    v.sensorTemperature = 20.0;
    b.sensor([&](Sensor& s) { s.setValues(v); });
    for (std::uint16_t i = 0; i < 4; ++i) b.write(static_cast<std::uint16_t>(19 + i), s64e9(22)[i]);
    b.write(253, 68);
    b.m.advance(Millis(1100));
    ASSERT_EQ(b.read(253), 102);
    EXPECT_EQ(b.read(6), 12200);  // offset +2
    v.sensorTemperature = 80.0;
    b.sensor([&](Sensor& s) { s.setValues(v); });
    for (std::uint16_t i = 0; i < 4; ++i) b.write(static_cast<std::uint16_t>(19 + i), s64e9(85)[i]);
    b.write(253, 85);
    b.m.advance(Millis(1100));
    ASSERT_EQ(b.read(253), 102);
    EXPECT_EQ(b.read(6), 18500);  // through (20, 22) and (80, 85)
    v.sensorTemperature = 50.0;
    b.sensor([&](Sensor& s) { s.setValues(v); });
    EXPECT_EQ(b.read(6), 15350);  // 22 + (50 - 20) x 63 / 60 = 53.5
}

TEST(SensorProcedures, UnknownCommitCodeIsRefused) {
    for (const int code : {0, 16, 1000, 1012, 9010, 4242}) {
        Bench b;
        b.write(253, static_cast<std::uint16_t>(code));
        b.m.advance(Millis(1000));
        EXPECT_EQ(b.read(253), 0) << code;
    }
}

TEST(SensorProcedures, StagingWithoutCommitChangesNoItem) {
    Bench b;
    b.write(254, 2604);
    const std::string before = b.window();
    for (const auto v : s64e9(7)) b.write(19, v);
    b.m.advance(Millis(1000));
    b.write(254, 2604);
    EXPECT_EQ(b.window(), before);
}

TEST(SensorProcedures, TextItemsAnswerTenTimesTheirCode) {
    Bench b;
    for (std::uint16_t code = 2549; code <= 2608; ++code) {
        if (code >= 2571 && code <= 2575) continue;  // text commits, not items
        b.write(254, code);
        EXPECT_EQ(b.read(254), code * 10) << code;
        const auto text = b.window();
        EXPECT_LE(text.size(), 20u) << code;
        if (code != 2550) {
            EXPECT_FALSE(text.empty()) << code;  // no signer yet
        }
    }
    // The data date renders registers 83 and 84.
    b.write(83, 0x1208);
    b.write(84, 0x2026);
    b.write(254, 2549);
    EXPECT_EQ(b.window(), "2026-12-08");
    for (const int code : {2548, 2609, 1234, 0}) {
        b.write(254, static_cast<std::uint16_t>(code));
        EXPECT_NE(b.read(254), static_cast<std::uint16_t>(code * 10)) << code;
        EXPECT_EQ(b.window(), "") << code;
    }
}

TEST(SensorProcedures, TextWritesCommitThroughRegister254) {
    struct Case {
        std::uint16_t code;
        std::uint16_t first;
        std::string text;
    };
    const std::vector<Case> cases = {
        {2572, 31, "M12"},
        {2573, 41, "D202612080001"},
        {2574, 51, "C-CORE-77"},
        {2575, 71, "PCB 20 characters!!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        Bench b;
        const auto regs = textWrite(c.text);
        for (std::size_t k = 0; k < regs.size(); ++k)
            b.write(static_cast<std::uint16_t>(c.first + k), regs[k]);
        EXPECT_NE(textFromReadLayout(b.m.read(1, c.first, 10).registers.data()), c.text);  // staged only
        b.write(254, c.code);
        const auto back = b.m.read(1, c.first, 10).registers;
        const auto expected = text20ReadLayout(c.text);
        EXPECT_EQ(back, std::vector<std::uint16_t>(expected.begin(), expected.end()));
    }
    // The three-character model text is written as 0x314D, 0x0032, then zeros.
    EXPECT_EQ(textWrite("M12")[0], 0x314D);
    EXPECT_EQ(textWrite("M12")[1], 0x0032);

    // The signer's name goes through the text window and comes back as item 2550.
    Bench b;
    const auto regs = textWrite("Zhang Wei");
    for (std::size_t k = 0; k < regs.size(); ++k) b.write(static_cast<std::uint16_t>(191 + k), regs[k]);
    b.write(254, 2571);
    b.write(254, 2550);
    EXPECT_EQ(b.window(), "Zhang Wei");
}

TEST(SensorProcedures, CommandRegisterAcknowledgements) {
    struct Case {
        std::uint16_t command;
        std::uint16_t readBack;
    };
    const std::vector<Case> cases = {
        {0x0410, 0x4100}, {0x0409, 0x4090}, {0x0101, 0x1010}, {0x0108, 0x1080}, {0x0206, 0x2060},
        {0x0301, 0x3010}, {0x0304, 0x3040}, {0x11, 0x0110},   {0x10, 0x0100},   {5, 0x0050},
        {1, 0x0010},      {4, 0x0040},      {0x80, 0x0800},   {0x20, 0x0200},   {9, 0x0090},
        {0x0109, 0xFFFF}, {0x0207, 0xFFFF}, {0x040A, 0xFFFF}, {6, 0xFFFF},      {0x1234, 0xFFFF},
    };
    Bench b;
    for (const auto& c : cases) {
        b.write(160, c.command);
        EXPECT_EQ(b.read(160), c.readBack) << std::hex << c.command;
    }
}

TEST(SensorProcedures, OptionGroupsReadWhatWasSet) {
    struct Case {
        const char* name;
        std::vector<std::uint16_t> commands;
        std::uint16_t group;
        std::uint16_t bits;
    };
    const std::vector<Case> cases = {
        {"pressure off, PRCY, 200 kPa, compensation off", {0x0102, 0x0103, 0x0105, 0x0108}, 0x0100, 0x06},
        {"pressure on, PR14, 1.4 MPa, compensation on", {0x0101, 0x0104, 0x0106, 0x0107}, 0x0100, 0x09},
        {"moisture on, not on 485, in oil", {0x0201, 0x0203, 0x0206}, 0x0200, 0x03},
        {"display off, LCD", {0x0302, 0x0303}, 0x0300, 0x02},
        {"all chips of the first choice", {0x0401, 0x0403, 0x0405, 0x0407, 0x0409}, 0x0400, 0x1F},
        {"AD5420 clears bit 4", {0x0409, 0x0410}, 0x0400, 0x00},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b;
        for (const auto cmd : c.commands) b.write(160, cmd);
        b.write(160, c.group);
        EXPECT_EQ(b.read(160), c.bits);
    }
}

TEST(SensorProcedures, NotFittedHardwareAnswersWithTheNotice) {
    SensorConfig config = defaultSensorConfig(1, SensorModel::KA);
    config.pressureFitted = false;
    config.moistureFitted = false;
    Bench b(config);
    b.write(160, 0x0101);
    EXPECT_EQ(b.read(160), 0x1000);
    b.write(160, 0x0201);
    EXPECT_EQ(b.read(160), 0x2000);
    b.write(160, 0x0104);  // the other options still take
    EXPECT_EQ(b.read(160), 0x1040);
    b.write(160, 0x0100);
    EXPECT_EQ(b.read(160) & 1, 0);
    const auto values = b.m.read(1, 161, 6).registers;
    EXPECT_EQ(values, std::vector<std::uint16_t>(6, 0));
    EXPECT_EQ(b.read(111) & 0x180, 0);
}

TEST(SensorProcedures, FineAdjustment) {
    struct Case {
        std::uint16_t reg;
        std::uint16_t ppm;
        bool refuse;
        std::uint16_t answer;
    };
    const std::vector<Case> cases = {
        {169, 500, false, 169}, {170, 500, false, 170},  {159, 1500, false, 159},
        {169, 0, false, 404},   {170, 2001, false, 404}, {159, 500, true, 404},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reg);
        Bench b;
        b.sensor([&](Sensor& s) { s.setRefuseCalibration(c.refuse); });
        b.write(c.reg, c.ppm);
        EXPECT_EQ(b.read(c.reg), c.ppm);  // still working
        b.m.advance(Millis(1000));
        EXPECT_EQ(b.read(c.reg), c.answer);
    }
}

TEST(SensorProcedures, CalibrationResultCodes) {
    struct Step {
        std::uint16_t reg;
        std::uint16_t value;
    };
    struct Case {
        const char* name;
        SensorModel model;
        bool refuse;
        bool fail;
        std::vector<Step> writes;
        std::uint16_t readReg;
        std::uint16_t answer;
    };
    const std::vector<Step> refIn = {{126, 0}, {127, 150}, {128, 0x0C08}, {129, 2026}};
    auto with = [&refIn](std::vector<Step> before, std::vector<Step> after) {
        before.insert(before.end(), refIn.begin(), refIn.end());
        before.insert(before.end(), after.begin(), after.end());
        return before;
    };
    const std::vector<Case> cases = {
        {"in-oil start", SensorModel::KA, false, false, {{121, 1001}}, 121, 1001},
        {"in-oil calibrate", SensorModel::KA, false, false, with({{121, 1001}}, {{122, 1001}}), 122, 0},
        {"gas one point", SensorModel::KG, false, false, with({{121, 1}}, {{121, 17}}), 121, 16},
        {"gas second point start", SensorModel::KG, false, false, {{121, 2}, {122, 1}}, 122, 1},
        {"gas second point", SensorModel::KG, false, false, with({{122, 1}}, {{122, 17}}), 122, 16},
        {"pressure calibrate", SensorModel::KA, false, false, {{121, 2001}, {122, 2001}}, 122, 0},
        {"start refused", SensorModel::KA, true, false, {{121, 1001}}, 121, 403},
        {"gas start refused", SensorModel::KG, true, false, {{121, 1}}, 121, 403},
        {"calibrate refused", SensorModel::KA, true, false, with({}, {{122, 1001}}), 122, 403},
        {"in-oil calibration fails", SensorModel::KA, false, true, with({{121, 1001}}, {{122, 1001}}), 122,
         1},
        {"gas point fails", SensorModel::KG, false, true, with({{121, 1}}, {{121, 17}}), 121, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b(defaultSensorConfig(1, c.model));
        b.sensor([&](Sensor& s) {
            s.setRefuseCalibration(c.refuse);
            s.setFailCalibration(c.fail);
        });
        for (const auto& w : c.writes) {
            b.write(w.reg, w.value);
            b.m.advance(Millis(100));
        }
        b.m.advance(Millis(1000));
        EXPECT_EQ(b.read(c.readReg), c.answer);
    }
}

TEST(SensorProcedures, CalibrationMovesTheReadingToTheReference) {
    Bench b;
    b.write(121, 1001);
    b.write(126, 0);
    b.write(127, 150);
    b.write(122, 1001);
    b.m.advance(Millis(1000));
    ASSERT_EQ(b.read(122), 0);
    const auto reading = b.m.read(1, 0, 2).registers;
    EXPECT_NEAR(static_cast<double>(reading[0] << 16 | reading[1]), 150.0, 2.0);
    b.write(123, 1);  // clear: back to the uncalibrated reading
    b.write(126, 0);

    Bench p;
    p.write(121, 2001);
    const auto ref = floatLowFirst(101.3f);  // 126 = 0x999A, 127 = 0x42CA
    p.write(126, ref[0]);
    p.write(127, ref[1]);
    p.write(122, 2001);
    p.m.advance(Millis(1000));
    const auto pr = p.m.read(1, 161, 2).registers;
    EXPECT_NEAR(floatFromLowFirst(pr[0], pr[1]), 101.3, 0.01);
    p.write(123, 3);
    const auto cleared = p.m.read(1, 161, 2).registers;
    EXPECT_GT(std::abs(floatFromLowFirst(cleared[0], cleared[1]) - floatFromLowFirst(pr[0], pr[1])), 0.0);
}

TEST(SensorProcedures, WirelessHandshakeStages) {
    struct Step {
        std::uint16_t reg;  // 0: only let time pass
        std::uint16_t value;
        Millis after;
        std::uint8_t status;  // CAL_Status expected after the step
    };
    struct Case {
        const char* name;
        bool fail;
        std::vector<Step> steps;
    };
    const Millis tick(2000);
    const std::vector<Case> cases = {
        {"full calibration",
         false,
         {{121, 1001, tick, 0},  // the sensor has not woken up yet
          {121, 1001, tick, 1},  // repeated write does not restart the wait
          {126, 0, tick, 1},
          {126, 0, tick, 4},
          {127, 150, Millis(3000), 5},
          {128, 0x0C08, Millis(3000), 6},
          {129, 2026, Millis(3000), 7},
          {122, 1001, Millis(3000), 2}}},
        {"failed calibration ends in 8",
         true,
         {{121, 1001, Millis(3000), 1},
          {126, 0, Millis(3000), 4},
          {127, 150, Millis(3000), 5},
          {128, 0x0C08, Millis(3000), 6},
          {129, 2026, Millis(3000), 7},
          {122, 1001, Millis(3000), 8}}},
        {"pieces out of order do not advance",
         false,
         {{121, 1001, Millis(3000), 1},
          {127, 150, Millis(3000), 1},
          {129, 2026, Millis(3000), 1},
          {122, 1001, Millis(3000), 1},
          {126, 0, Millis(3000), 4},
          {128, 0x0C08, Millis(3000), 4}}},
        {"clear", false, {{123, 1, tick, 0}, {123, 1, tick, 3}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b(defaultSensorConfig(1, SensorModel::KF));
        b.sensor([&](Sensor& s) { s.setFailCalibration(c.fail); });
        int i = 0;
        for (const auto& s : c.steps) {
            if (s.reg != 0) b.write(s.reg, s.value);
            b.m.advance(s.after);
            EXPECT_EQ((b.read(111) & 0xFF) >> 3 & 0x0F, s.status) << "step " << i;
            ++i;
        }
    }
}

TEST(SensorProcedures, HistoryStreamFormats) {
    struct Case {
        const char* name;
        int format;
        std::uint32_t stored;
        std::uint32_t requested;
        std::uint32_t records;
    };
    const std::vector<Case> cases = {
        {"V1, ten of many", 1, 240, 10, 10},   {"V2, ten of many", 2, 240, 10, 10},
        {"V2, count 0 sends all", 2, 5, 0, 5}, {"V1, more requested than stored", 1, 5, 70000, 5},
        {"V2, empty memory", 2, 0, 10, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SensorConfig config = defaultSensorConfig(1, SensorModel::KA);
        config.historyFormat = c.format;
        config.historyRecords = c.stored;
        Bench b(config);
        EXPECT_EQ(b.m.read(1, 102, 2).registers,
                  (std::vector<std::uint16_t>{static_cast<std::uint16_t>(c.stored >> 16),
                                              static_cast<std::uint16_t>(c.stored & 0xFFFF)}));
        b.write(157, 15);
        b.write(99, static_cast<std::uint16_t>(c.requested >> 16));
        b.write(100, static_cast<std::uint16_t>(c.requested & 0xFFFF));
        const auto out = b.m.write(1, 101, 1001);
        const std::size_t size = c.format == 2 ? 28 : 19;
        ASSERT_FALSE(out.silent);
        ASSERT_EQ(out.bytes.size(), c.records * size);  // the records instead of an echo
        long previous = -1;
        for (std::size_t r = 0; r < c.records; ++r) {
            const Bytes rec(out.bytes.begin() + static_cast<std::ptrdiff_t>(r * size),
                            out.bytes.begin() + static_cast<std::ptrdiff_t>((r + 1) * size));
            EXPECT_EQ(rec.front(), 0x5A);
            EXPECT_EQ(rec.back(), 0xA5);
            if (c.format == 2) {
                EXPECT_EQ(rec[1], 0x19);
            }
            // BCD date and time, every nibble a digit, in storage-interval steps.
            for (std::size_t i = 2; i <= 8; ++i) EXPECT_LE(rec[i] >> 4, 9) << r;
            const int hour = (rec[6] >> 4) * 10 + (rec[6] & 0xF);
            const int minute = (rec[7] >> 4) * 10 + (rec[7] & 0xF);
            EXPECT_EQ(minute % 15, 0);
            EXPECT_EQ(rec[8], 0);
            const long stamp = hour * 60 + minute;
            if (previous >= 0) {
                EXPECT_EQ((stamp - previous + 1440) % 1440, 15);
            }
            previous = stamp;
            const auto hydrogen = be32(rec, 9);
            EXPECT_GT(hydrogen, 0u);
            EXPECT_LT(hydrogen, 2000u);
            const double celsius = (rec[13] << 8 | rec[14]) / 100.0 - 100.0;
            EXPECT_GT(celsius, 20.0);
            EXPECT_LT(celsius, 70.0);
            if (c.format == 2) {
                float pressure = 0;
                const std::uint32_t bits = static_cast<std::uint32_t>(rec[19]) | rec[20] << 8 |
                                           rec[21] << 16 | static_cast<std::uint32_t>(rec[22]) << 24;
                std::memcpy(&pressure, &bits, sizeof pressure);
                EXPECT_NEAR(pressure, 101.3, 1.0);
            }
        }
    }
}

TEST(SensorProcedures, FlowFollowsTheSetpoint) {
    Bench b;
    ASSERT_EQ(b.m.writeMany(200, 2053, {0x0003, 0x0D40}).bytes,
              withCrc({200, 16, 0x08, 0x05, 0, 2}));  // 200 mL/min
    EXPECT_LT(b.m.read1(200, 2103), 200);             // not there at once
    b.m.advance(Millis(10'000));
    EXPECT_EQ(b.m.read1(200, 2103), 200);
    const auto celsius = b.m.read1(200, 2102) / 100.0;
    EXPECT_GT(celsius, 20.0);
    EXPECT_LT(celsius, 30.0);
    ASSERT_FALSE(b.m.writeMany(200, 2053, {0, 0}).silent);
    b.m.advance(Millis(10'000));
    EXPECT_EQ(b.m.read1(200, 2103), 0);
    EXPECT_EQ(b.m.read(200, 2053, 2).registers, (std::vector<std::uint16_t>{0, 0}));
}
