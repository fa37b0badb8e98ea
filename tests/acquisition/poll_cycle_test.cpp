// The polling cycle over a scripted register bank: request order, distribution, logs, wireless mode.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <map>
#include <set>
#include <vector>

#include "talvex/acquisition/acquisition_engine.hpp"
#include "talvex/language.hpp"
#include "talvex/rtu.h"
#include "talvex/testing/raw_db.hpp"
#include "test_support.hpp"

namespace talvex::acquisition {
namespace {

using test::englishText;
using test::TempDir;

struct Request {
    int slave, start, count;
    bool operator==(const Request&) const = default;
};

// Sensors as register maps; a slave listed in silent never answers, failAt fails one address.
struct Bank {
    std::map<int, std::map<int, std::uint16_t>> regs;
    std::set<int> silent;
    std::map<int, int> failAt;
    int highBits = 0;  // ORed into every result: only the low 16 bits carry the outcome
    std::vector<Request> requests;
    std::vector<int> pauses;

    int read(int slave, int start, int count, std::uint8_t* dest) {
        requests.push_back({slave, start, count});
        if (silent.count(slave)) return RTU_ERR_TIMEOUT;
        if (auto it = failAt.find(slave); it != failAt.end() && it->second == start) return RTU_ERR_CRC;
        for (int i = 0; i < count; ++i) {
            const std::uint16_t v = regs[slave][start + i];
            dest[2 * i] = static_cast<std::uint8_t>(v >> 8);
            dest[2 * i + 1] = static_cast<std::uint8_t>(v);
        }
        return highBits;
    }
    void sensor(int slave, std::uint16_t h2, std::uint16_t tempRaw, std::uint16_t status, int base = 0) {
        regs[slave][base + 3] = h2;
        regs[slave][base + 5] = static_cast<std::uint16_t>(h2 + 1);
        regs[slave][base + 8] = tempRaw;
        regs[slave][base + 9] = 55;
        regs[slave][base + 14] = 0xFFFE;
        regs[slave][base + 111] = status;
        regs[slave][base + 162] = 0x3F80;  // PR 1.0
        regs[slave][base + 166] = 0x4000;  // WT 2.0
    }
};

struct CycleFixture : ::testing::Test {
    TempDir dir;
    Bank bank;
    LinkArbiter arbiter;
    RecordStore store;
    Session session;
    std::uint64_t clock = 1'000'000;
    std::vector<TextRecord> emitted;
    std::unique_ptr<AcquisitionEngine> engine;

    void SetUp() override {
        arbiter.connected();
        EngineOptions o;
        o.databasePath = dir.file("SensorDB.db");
        o.model = SensorModel::KA;
        o.text = englishText;
        o.read = [this](int s, int a, int c, std::uint8_t* d) { return bank.read(s, a, c, d); };
        o.clockMs = [this] { return clock; };
        o.localTime = [] { return LocalTime{2026, 5, 6, 7, 8, 9}; };
        o.sleepMs = [this](int ms) { bank.pauses.push_back(ms); };
        engine = std::make_unique<AcquisitionEngine>(arbiter, store, session, o);
        engine->setRecordHook([this](const TextRecord& r) { emitted.push_back(r); });
    }
    void channel(int slot, std::uint8_t id, std::uint8_t rate = 0) {
        session.enumUintEN.set(slot, {id, rate, 1});
    }
    std::string dbScalar(const std::string& sql) {
        return talvex::testing::RawDb(dir.file("SensorDB.db")).scalar(sql);
    }
};

TEST_F(CycleFixture, ReadsThreeBlocksDistributesAndLogs) {
    bank.sensor(3, 120, 12345, 0x0A00);
    channel(1, 3);
    session.selectedSensorId = 3;
    EXPECT_EQ(engine->runCycle(), 1);
    EXPECT_EQ(bank.requests, (std::vector<Request>{{3, 0, 15}, {3, 111, 1}, {3, 161, 6}}));
    EXPECT_EQ(bank.pauses, std::vector<int>{30});
    const TextRecord want{"3", "2026-05-06 07:08:09", "120", "121", "23.4", "-2", "1.0", "2.0", "A00"};
    ASSERT_EQ(emitted.size(), 1u);
    EXPECT_EQ(emitted[0], want);
    EXPECT_EQ(store.records("3").at(0).texts(), want);
    EXPECT_EQ(dbScalar("select Temp||'|'||RunStatus from SensorData"), "23.4|A00");
    EXPECT_EQ(engine->selectedStatusWord(), 0x0A00);
    const auto points = engine->chartPoints().take();
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].hydrogen, 120);
    EXPECT_FLOAT_EQ(static_cast<float>(points[0].temperature), 23.449997f);
    EXPECT_EQ(engine->log().take(), "2026-05-06 07:08:09  ID3 Polling Succeed\r\n");
}

TEST_F(CycleFixture, OnlyTheLowSixteenBitsOfAResultDecideSuccess) {
    bank.sensor(3, 120, 12345, 0x0A00);
    bank.highBits = 0x10000;
    channel(1, 3);
    EXPECT_EQ(engine->runCycle(), 1);
    EXPECT_EQ(emitted.size(), 1u);
}

TEST_F(CycleFixture, OnlyTheSelectedSensorFeedsChartAndStatus) {
    bank.sensor(1, 10, 10000, 0x11);
    bank.sensor(2, 20, 10000, 0x22);
    channel(1, 1);
    channel(2, 2);
    session.selectedSensorId = 2;
    engine->setModel(SensorModel::KG);
    EXPECT_EQ(engine->runCycle(), 2);
    EXPECT_EQ(engine->selectedStatusWord(), 0x22);
    const auto points = engine->chartPoints().take();
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].hydrogen, 21);  // gas-phase model charts H2AG
}

TEST_F(CycleFixture, FailedStatusReadLeavesNoRecordButKeepsEarlierStatus) {
    bank.sensor(4, 10, 10000, 0x5);
    channel(1, 4);
    session.selectedSensorId = 4;
    ASSERT_EQ(engine->runCycle(), 1);
    engine->log().take();
    bank.failAt[4] = 111;
    bank.regs[4][111] = 0x7;
    EXPECT_EQ(engine->runCycle(), 0);
    EXPECT_EQ(store.recordCount("4"), 1u);
    EXPECT_EQ(engine->selectedStatusWord(), 0x5);
    EXPECT_EQ(engine->log().take(), "2026-05-06 07:08:09  ID4 Polling Failed (CRC error)\r\n");
    EXPECT_EQ(engine->schedule().missCount(1), 1);
}

TEST_F(CycleFixture, StatusWordUpdatesEvenWhenTheLastReadFails) {
    bank.sensor(4, 10, 10000, 0x9);
    bank.failAt[4] = 161;
    channel(1, 4);
    session.selectedSensorId = 4;
    EXPECT_EQ(engine->runCycle(), 0);
    EXPECT_EQ(engine->selectedStatusWord(), 0x9);
    EXPECT_EQ(store.recordCount("4"), 0u);
}

TEST_F(CycleFixture, RecordRefusedByTheDatabaseGoesNowhere) {
    bank.sensor(5, 10, 10000, 0);
    channel(1, 5);
    session.selectedSensorId = 5;
    talvex::testing::RawDb(dir.file("SensorDB.db"))
        .exec(
            "create table SensorData(x); create trigger refuse before insert on SensorData "
            "begin select raise(abort, 'refused'); end;");
    EXPECT_EQ(engine->runCycle(), 1);  // the poll itself succeeded
    EXPECT_EQ(engine->schedule().missCount(1), 0);
    EXPECT_EQ(store.recordCount("5"), 0u);
    EXPECT_TRUE(engine->chartPoints().take().empty());
    EXPECT_TRUE(emitted.empty());
    // Without saving, records flow again.
    engine->setSaveToDatabase(false);
    clock += 1000;
    EXPECT_EQ(engine->runCycle(), 1);
    EXPECT_EQ(store.recordCount("5"), 1u);
}

// Dropping a refused record is allowed, hiding it is not: the first refusal is announced once with
// SQLite's reason, every dropped record is counted, and storing again is announced too.
TEST_F(CycleFixture, RefusedRecordsAreAnnouncedOnceCountedAndTheRecoverySaid) {
    bank.sensor(5, 10, 10000, 0);
    channel(1, 5);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(dir.file("SensorDB.db").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "create table SensorData(SensorId, Timestamp, H2DG, H2AG, Temp, DayRoc, PR, WT, "
                           "RunStatus); create trigger refuse before insert on SensorData begin select "
                           "raise(abort, 'frozen by the operator'); end;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    for (int cycle = 0; cycle < 3; ++cycle, clock += 1000) EXPECT_EQ(engine->runCycle(), 1);
    EXPECT_EQ(engine->droppedRecords(), 3u);
    EXPECT_EQ(engine->notices().take(), englishText("IDS_Safety_RecordsNotStored") +
                                            " (frozen by the operator: " + dir.file("SensorDB.db") + ")\r\n");
    ASSERT_EQ(sqlite3_exec(db, "drop trigger refuse", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    EXPECT_EQ(engine->runCycle(), 1);
    EXPECT_EQ(engine->notices().take(), englishText("IDS_Safety_RecordsStoredAgain") + " 3\r\n");
    EXPECT_EQ(store.recordCount("5"), 1u);
}

TEST_F(CycleFixture, SilentSensorIsAskedLessOftenWhileOthersKeepTheirRate) {
    bank.sensor(1, 10, 10000, 0);
    bank.silent.insert(2);
    channel(1, 1, 1);
    channel(2, 2, 1);
    std::map<int, int> asked;
    for (int step = 0; step < 200; ++step) {  // 20 s of 100 ms cycles
        bank.requests.clear();
        engine->runCycle();
        for (const auto& r : bank.requests)
            if (r.start == 0) ++asked[r.slave];
        clock += 100;
    }
    EXPECT_EQ(asked[1], 20);
    // 1 s, then 2 s twice, then 5 s: asked at 0, 1, 3, 5, 10, 15 s.
    EXPECT_EQ(asked[2], 6);
}

TEST_F(CycleFixture, ScheduleResetFlagMakesSlotsDueAtOnce) {
    bank.sensor(1, 10, 10000, 0);
    channel(1, 1, 30);
    EXPECT_EQ(engine->runCycle(), 1);
    clock += 1000;
    EXPECT_EQ(engine->runCycle(), 0);
    session.scheduleReset = true;
    EXPECT_EQ(engine->runCycle(), 1);
    EXPECT_FALSE(session.scheduleReset);
}

TEST_F(CycleFixture, ClosedGateEndsTheCycleBeforeTheNextSlot) {
    bank.sensor(1, 10, 10000, 0);
    channel(1, 1);
    const LinkHold pause = arbiter.hold(HoldKind::Pause);
    EXPECT_EQ(engine->runCycle(), 0);
    EXPECT_TRUE(bank.requests.empty());
}

TEST_F(CycleFixture, WirelessModeReadsSixteenNodesIntoTheDisplayBuffer) {
    for (int k = 1; k <= 16; ++k) bank.sensor(9, static_cast<std::uint16_t>(k), 10000, 0x1, 256 * k);
    channel(1, 9);
    session.selectedSensorId = 9;
    store.selectSensor("9");
    engine->setWirelessDcuMode(true);
    engine->setModel(SensorModel::KA);
    EXPECT_EQ(engine->runCycle(), 1);
    ASSERT_EQ(bank.requests.size(), 48u);
    EXPECT_EQ(bank.requests[0], (Request{9, 256, 15}));
    EXPECT_EQ(bank.requests[1], (Request{9, 256 + 111, 1}));
    EXPECT_EQ(bank.requests[47], (Request{9, 4096 + 161, 6}));
    EXPECT_TRUE(bank.pauses.empty());
    EXPECT_EQ(store.displayState().size, 16u);
    EXPECT_EQ(store.recordCount("9"), 0u);
    EXPECT_TRUE(engine->chartPoints().take().empty());
    const auto last = *store.displayRecord(15);
    EXPECT_EQ(last[0], "9");
    EXPECT_EQ(last[2], "16");
    EXPECT_EQ(last[5], "55");  // state of charge from the node's register 9
    EXPECT_EQ(dbScalar("select count(*) from SensorData"), "16");
}

TEST_F(CycleFixture, WirelessFailureEndsTheSlotAtThatNode) {
    for (int k = 1; k <= 16; ++k) bank.sensor(9, 1, 10000, 0, 256 * k);
    bank.failAt[9] = 3 * 256;
    channel(1, 9);
    engine->setWirelessDcuMode(true);
    EXPECT_EQ(engine->runCycle(), 0);
    EXPECT_EQ(emitted.size(), 2u);
    const std::string log = engine->log().take();
    EXPECT_EQ(log.find("Polling Failed"), log.rfind("Polling"));  // one failure line, after two successes
}

TEST_F(CycleFixture, AFailureLineSaysWhy) {
    bank.sensor(1, 10, 10000, 0);
    bank.silent = {2};
    channel(1, 1);
    channel(2, 2);
    EXPECT_EQ(engine->runCycle(), 1);
    EXPECT_EQ(engine->log().take(),
              "2026-05-06 07:08:09  ID1 Polling Succeed\r\n"
              "2026-05-06 07:08:09  ID2 Polling Failed (time-out)\r\n");
}

TEST(PollFailureReason, NamesTheCauseInTheActiveLanguage) {
    const struct {
        int result;
        std::string english, chinese;
    } cases[] = {
        {RTU_ERR_TIMEOUT, "time-out", "超时"},
        {RTU_ERR_CRC, "CRC error", "CRC校验错误"},
        {RTU_EXCEPTION + 2, "exception 2", "异常码 2"},
        {0x10000 | (RTU_EXCEPTION + 11), "exception 11", "异常码 11"},
        {RTU_ERR_SEND, "port closed", "串口已关闭"},
        {RTU_ERR_BYTE_COUNT, "malformed reply", "应答格式错误"},
        {RTU_ERR_SLAVE_ECHO, "malformed reply", "应答格式错误"},
    };
    const TextLookup text = [](std::string_view key) { return GetText(key); };
    for (const auto& c : cases) {
        setActiveLanguage(Language::English);
        EXPECT_EQ(pollFailureReason(c.result, text), c.english) << c.result;
        setActiveLanguage(Language::Chinese);
        EXPECT_EQ(pollFailureReason(c.result, text), c.chinese) << c.result;
    }
    setActiveLanguage(Language::English);
}

// A disconnect or a page's hold must not wait for the 16 database transactions of a concentrator's
// slot: every record is stored after the poller has left the link.
TEST_F(CycleFixture, WirelessModeLeavesTheLinkBeforeStoring) {
    for (int k = 1; k <= 16; ++k) bank.sensor(9, 1, 10000, 0, 256 * k);
    channel(1, 9);
    engine->setWirelessDcuMode(true);
    std::vector<bool> heldAtOnce;
    std::vector<std::future<void>> holds;  // kept: a hold still waiting must not block the hook
    engine->setRecordHook([&](const TextRecord&) {
        holds.push_back(
            std::async(std::launch::async, [&] { const LinkHold h = arbiter.hold(HoldKind::Light); }));
        heldAtOnce.push_back(holds.back().wait_for(std::chrono::seconds(2)) == std::future_status::ready);
    });
    EXPECT_EQ(engine->runCycle(), 1);
    EXPECT_EQ(heldAtOnce, std::vector<bool>(16, true));
}

TEST_F(CycleFixture, LoggingOffWritesNoLines) {
    bank.sensor(1, 10, 10000, 0);
    channel(1, 1);
    engine->setLogging(false);
    EXPECT_EQ(engine->runCycle(), 1);
    EXPECT_EQ(engine->log().take(), "");
}

}  // namespace
}  // namespace talvex::acquisition
