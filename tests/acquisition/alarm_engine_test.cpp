// The alarm engine against sequences of polls: each step is one poll (a value, a run-status word or a
// failure) and the events it must produce, written as "raise h2 510" ("" for none).
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <optional>
#include <string>
#include <vector>

#include "talvex/acquisition/alarm_db.hpp"
#include "talvex/acquisition/alarm_engine.hpp"
#include "talvex/sensor_registers.hpp"
#include "test_support.hpp"

namespace talvex::acquisition {
namespace {

namespace reg = sensor::reg;

struct Step {
    double seconds;
    std::optional<double> h2;  // nullopt: the poll failed
    std::uint16_t status = 0;
    std::string events;
};

std::string describe(const std::vector<AlarmEvent>& events) {
    std::string out;
    for (const AlarmEvent& e : events) {
        if (!out.empty()) out += "; ";
        char value[32];
        std::snprintf(value, sizeof value, "%g", e.value);
        out += std::string(alarmStateName(e.state)) + " " + std::string(alarmKindName(e.kind)) + " " + value;
    }
    return out;
}

void play(AlarmEngine& engine, const std::vector<Step>& steps, const char* what) {
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& s = steps[i];
        std::vector<AlarmEvent> events;
        if (s.h2) {
            Measurement m;
            m.sensorId = 1;
            m.h2dg = static_cast<float>(*s.h2);
            m.temp = 40;
            m.runStatus = s.status;
            events = engine.onMeasurement(m, s.seconds);
        } else {
            events = engine.onPollFailed(1, "t");
        }
        EXPECT_EQ(describe(events), s.events) << what << ", step " << i;
    }
}

struct Case {
    const char* what;
    AlarmSettings settings;
    std::vector<Step> steps;
};

TEST(AlarmEngine, RaisesAndClearsAsTheSequencesSay) {
    AlarmSettings immediate;  // 5 % hysteresis, no minimum duration, 3 missed polls
    AlarmSettings tenSeconds;
    tenSeconds.minimumSeconds = 10;
    const std::vector<Case> cases = {
        {"hysteresis: a value wandering around 500 raises once",
         immediate,
         {{0, 480, 0, ""},
          {1, 510, 0, "raise h2 510"},
          {2, 490, 0, ""},  // under the threshold, over 475: still on
          {3, 505, 0, ""},
          {4, 474, 0, "clear h2 474"},
          {5, 499, 0, ""},
          {6, 500, 0, "raise h2 500"}}},
        {"minimum duration: over for ten seconds without a break",
         tenSeconds,
         {{0, 510, 0, ""},
          {5, 520, 0, ""},
          {6, 480, 0, ""},  // the break starts the wait again
          {7, 510, 0, ""},
          {16.9, 510, 0, ""},
          {17, 530, 0, "raise h2 530"},
          {18, 100, 0, "clear h2 100"}}},
        {"the sensor's alarm bits follow the sensor",
         immediate,
         {{0, 10, reg::kStatusAlarm1, "raise status1 16"},
          {1, 10, reg::kStatusAlarm1 | reg::kStatusAlarm3, "raise status3 80"},
          {2, 10, 0, "clear status1 0; clear status3 0"}}},
        {"no answer after three failed polls, cleared by the next answer",
         immediate,
         {{0, 10, 0, ""},
          {1, std::nullopt, 0, ""},
          {2, std::nullopt, 0, ""},
          {3, std::nullopt, 0, "raise no-answer 3"},
          {4, std::nullopt, 0, ""},
          {5, 10, 0, "clear no-answer 0"},
          {6, std::nullopt, 0, ""}}},
    };
    for (const Case& c : cases) {
        AlarmEngine engine(c.settings);
        AlarmThresholds t;
        t.hydrogen = 500;
        engine.setThresholds(1, t);
        play(engine, c.steps, c.what);
    }
}

TEST(AlarmEngine, AcknowledgedAlarmsLeaveTheListOnceCleared) {
    AlarmEngine engine;
    AlarmThresholds t;
    t.hydrogen = 500;
    engine.setThresholds(1, t);
    EXPECT_FALSE(engine.acknowledge(1, AlarmKind::Hydrogen, "ops", "t0")) << "nothing raised yet";
    play(engine, {{0, 600, 0, "raise h2 600"}}, "raise");

    const auto ack = engine.acknowledge(1, AlarmKind::Hydrogen, "Wei", "t1");
    ASSERT_TRUE(ack);
    EXPECT_EQ(ack->state, AlarmState::Ack);
    EXPECT_EQ(ack->by, "Wei");
    EXPECT_FALSE(engine.acknowledge(1, AlarmKind::Hydrogen, "Wei", "t2")) << "once is enough";
    ASSERT_EQ(engine.alarms().size(), 1u);
    EXPECT_TRUE(engine.alarms()[0].active);
    EXPECT_TRUE(engine.alarms()[0].acknowledged);

    play(engine, {{1, 100, 0, "clear h2 100"}}, "clear");
    EXPECT_TRUE(engine.alarms().empty()) << "seen and over";

    // Cleared before anyone saw it: it stays listed until acknowledged.
    play(engine, {{2, 600, 0, "raise h2 600"}, {3, 100, 0, "clear h2 100"}}, "unseen");
    ASSERT_EQ(engine.alarms().size(), 1u);
    EXPECT_FALSE(engine.alarms()[0].active);
    ASSERT_TRUE(engine.acknowledge(1, AlarmKind::Hydrogen, "Wei", "t3"));
    EXPECT_TRUE(engine.alarms().empty());
}

TEST(AlarmEngine, SensorThresholdsAreReadAsTheRegistersHoldThem) {
    const std::uint16_t regs[5] = {0x0001, 0x86A0, 0, 50, 8050};  // 100 000 ppm, 50 ppm/day, 80.5 degC
    const AlarmThresholds t = thresholdsFromRegisters(regs);
    EXPECT_EQ(t.hydrogen, 100000);
    EXPECT_EQ(t.rate, 50);
    EXPECT_DOUBLE_EQ(*t.temperature, 80.5);
    // Zero or negative: the sensor watches nothing there, and neither does Talvex.
    const std::uint16_t off[5] = {0, 0, 0xFFFF, 0xFFFE, 0};
    const AlarmThresholds none = thresholdsFromRegisters(off);
    EXPECT_FALSE(none.hydrogen || none.rate || none.temperature);
    for (const char* name : {"h2", "roc", "temp", "status1", "status2", "status3", "no-answer"})
        EXPECT_EQ(alarmKindName(*parseAlarmKind(name)), name);
    EXPECT_FALSE(parseAlarmKind("H2"));
}

TEST(AlarmEventDb, EventsAreRowsBesideTheMeasurements) {
    test::TempDir dir;
    const std::string path = dir.file("SensorDB.db");
    AlarmEventDb db(path);
    ASSERT_TRUE(db.append({3, AlarmKind::Hydrogen, AlarmState::Raise, 612.5, 500, "2026-12-11 10:00:00", {}}))
        << db.lastError();
    ASSERT_TRUE(
        db.append({3, AlarmKind::Hydrogen, AlarmState::Ack, 612.5, 0, "2026-12-11 10:00:05", "韦伟"}));
    ASSERT_TRUE(db.append({4, AlarmKind::NoAnswer, AlarmState::Raise, 3, 0, "2026-12-11 10:00:06", {}}));

    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(raw,
                                 "select Time, SensorId, Kind, State, Value, ifnull(Threshold, 'null'), "
                                 "ifnull(By, 'null') from AlarmEvent order by rowid",
                                 -1, &st, nullptr),
              SQLITE_OK);
    std::vector<std::string> rows;
    while (sqlite3_step(st) == SQLITE_ROW) {
        std::string row;
        for (int c = 0; c < 7; ++c)
            row += std::string(c ? "|" : "") + reinterpret_cast<const char*>(sqlite3_column_text(st, c));
        rows.push_back(row);
    }
    sqlite3_finalize(st);
    sqlite3_close(raw);
    EXPECT_EQ(rows, (std::vector<std::string>{"2026-12-11 10:00:00|3|h2|raise|612.5|500.0|null",
                                              "2026-12-11 10:00:05|3|h2|ack|612.5|null|韦伟",
                                              "2026-12-11 10:00:06|4|no-answer|raise|3.0|null|null"}));
}

}  // namespace
}  // namespace talvex::acquisition
