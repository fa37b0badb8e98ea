// talvex-cli poll --alarms against the simulator: a hydrogen spike over the threshold raises one
// alarm and clears it, the sensor's own alarm bits raise theirs, every event is a row of AlarmEvent,
// a JSON object on stdout and one run of the --on-alarm command; a command that fails or hangs is
// reported and stopped without holding up anything.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "alarm_watch.hpp"
#include "talvex/language.hpp"
#include "talvex/sensor_registers.hpp"
#include "talvex/sim/sim_bus.hpp"
#include "talvex/testing/run_program.hpp"
#include "test_support.hpp"

namespace talvex::acquisition {
namespace {

using test::TempDir;

std::vector<std::string> linesOf(const std::string& text, const std::string& containing = "") {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.find(containing) != std::string::npos) out.push_back(line);
    return out;
}

std::vector<std::string> alarmRows(const std::string& path) {
    std::vector<std::string> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return rows;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "select SensorId, Kind, State from AlarmEvent order by rowid", -1, &st,
                           nullptr) == SQLITE_OK)
        while (sqlite3_step(st) == SQLITE_ROW)
            rows.push_back(std::to_string(sqlite3_column_int(st, 0)) + " " +
                           reinterpret_cast<const char*>(sqlite3_column_text(st, 1)) + " " +
                           reinterpret_cast<const char*>(sqlite3_column_text(st, 2)));
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

TEST(AlarmCli, ASpikeRaisesAndClearsOnceEverywhere) {
    TempDir dir;
    auto spiking = sim::defaultSensorConfig(1, SensorModel::KA);
    spiking.h2Spike = sim::HydrogenSpike{900, 1.5, 2.5};  // the sensor's own threshold is 500 ppm
    auto flagged = sim::defaultSensorConfig(2, SensorModel::KA);
    flagged.statusBits = sim::StatusBitsFrom{sensor::reg::kStatusAlarm3, 0};
    sim::BusOptions o;
    o.sensors = {spiking, flagged};
    o.flowmeter = false;
    o.pace = false;
    sim::SimBus bus(o);
    std::string error;
    ASSERT_TRUE(bus.start(&error)) << error;
    std::ofstream(dir.file("setting.ini")) << "[Setting]\r\nLanguage=English\r\n";

    const std::string hook = dir.file("hook.txt");
    const auto run = talvex::testing::runProgram(
        TALVEX_CLI,
        {"poll", "--port", bus.slavePath(), "--data-dir", dir.path(), "--ids", "1,2", "--duration", "6",
         "--json", "--alarms", "--threshold", "2:h2:100000", "--on-alarm",
         "echo \"$TALVEX_ALARM_SENSOR $TALVEX_ALARM_KIND $TALVEX_ALARM_STATE\" >> '" + hook + "'"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(
        run.err.find("sensor 1 alarm thresholds: hydrogen 500 ppm, rate 50 ppm/day, temperature 90 degC"),
        std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("sensor 2 alarm thresholds"), std::string::npos)
        << "2's come from the command line";

    const std::vector<std::string> expected = {"1 h2 raise", "1 status1 raise", "1 h2 clear",
                                               "1 status1 clear"};
    std::vector<std::string> sensor1;
    for (const std::string& row : alarmRows(dir.file("SensorDB.db")))
        if (row.rfind("1 ", 0) == 0) sensor1.push_back(row);
    EXPECT_EQ(sensor1, expected);
    const auto rows = alarmRows(dir.file("SensorDB.db"));
    EXPECT_EQ(std::count(rows.begin(), rows.end(), "2 status3 raise"), 1);

    const auto events = linesOf(run.out, "{\"event\":");
    ASSERT_EQ(events.size(), 5u) << run.out;
    EXPECT_EQ(
        linesOf(run.out, "{\"event\":\"raise\",\"sensor\":1,\"kind\":\"h2\",\"value\":900,\"threshold\":500,")
            .size(),
        1u)
        << run.out;
    EXPECT_EQ(linesOf(run.err, "ALARM sensor 1 h2: 900 (threshold 500)").size(), 1u) << run.err;

    std::ifstream in(hook);
    std::stringstream ran;
    ran << in.rdbuf();
    auto hookLines = linesOf(ran.str());
    std::sort(hookLines.begin(), hookLines.end());
    EXPECT_EQ(hookLines, (std::vector<std::string>{"1 h2 clear", "1 h2 raise", "1 status1 clear",
                                                   "1 status1 raise", "2 status3 raise"}));
}

TEST(AlarmCli, RefusesAlarmOptionsItCannotUseBeforeWritingAnything) {
    TempDir dir;
    for (const std::vector<std::string>& extra :
         std::vector<std::vector<std::string>>{{"--threshold", "1:h2:500"},
                                               {"--on-alarm", "true"},
                                               {"--alarms", "--threshold", "1:h3:500"},
                                               {"--alarms", "--threshold", "0:h2:500"},
                                               {"--alarms", "--threshold", "1:h2:"},
                                               {"--alarms", "--threshold", "1:h2:5x"},
                                               {"--alarms", "--threshold", "1:h2:500,"},
                                               {"--alarms", "--threshold", "1:h2:500,1:h2:600"},
                                               {"--alarms", "--threshold", "1:status1:1"},
                                               {"--alarms", "--alarms"}}) {
        std::vector<std::string> args{"poll",     "--port", "/dev/null", "--data-dir",
                                      dir.path(), "--ids",  "1",         "--once"};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto r = talvex::testing::runProgram(TALVEX_CLI, args);
        EXPECT_EQ(r.exitCode, 2) << extra.back() << "\n" << r.err;
        EXPECT_EQ(r.err.rfind("talvex-cli poll: ", 0), 0u) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("SensorDB.db")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("setting.ini")));
}

TEST(AlarmCommand, FailingAndHangingCommandsAreReportedAndStopped) {
    setActiveLanguage(Language::English);
    std::vector<std::string> reports;
    const AlarmEvent raise{4, AlarmKind::Hydrogen, AlarmState::Raise, 612, 500, "2026-12-11 10:00:00", {}};
    const auto started = std::chrono::steady_clock::now();
    {
        cli::AlarmCommand ok(
            "test \"$TALVEX_ALARM_SENSOR:$TALVEX_ALARM_KIND:$TALVEX_ALARM_VALUE:"
            "$TALVEX_ALARM_THRESHOLD:$TALVEX_ALARM_STATE\" = 4:h2:612:500:raise || exit 9",
            std::chrono::seconds(5), [&](const std::string& r) { reports.push_back(r); });
        ok.start(raise);
        cli::AlarmCommand failing("exit 7", std::chrono::seconds(5),
                                  [&](const std::string& r) { reports.push_back(r); });
        failing.start(raise);
        cli::AlarmCommand hanging("sleep 100", std::chrono::seconds(1),
                                  [&](const std::string& r) { reports.push_back(r); });
        hanging.start(raise);
        ok.finish();
        failing.finish();
        hanging.finish();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10)) << "the hang was stopped";
    EXPECT_EQ(reports,
              (std::vector<std::string>{"--on-alarm command for sensor 4 h2 raise ended with exit 7",
                                        "--on-alarm command for sensor 4 h2 raise was stopped after 1 s"}));
}

}  // namespace
}  // namespace talvex::acquisition
