// The engine polling the simulated bus over a real pseudo-terminal: values end up as texts in the
// database and the store, faults leave no record, and page holds never overlap the poller's requests.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "talvex/acquisition/acquisition_engine.hpp"
#include "talvex/rtu.h"
#include "talvex/sim/sim_bus.hpp"
#include "talvex/testing/raw_db.hpp"
#include "test_support.hpp"

namespace talvex::acquisition {
namespace {

using test::englishText;
using test::TempDir;

class SimPoll : public ::testing::Test {
  protected:
    void startBus(std::vector<sim::SensorConfig> sensors) {
        sim::BusOptions o;
        o.sensors = std::move(sensors);
        o.flowmeter = false;
        o.pace = false;
        bus_ = std::make_unique<sim::SimBus>(o);
        std::string error;
        ASSERT_TRUE(bus_->start(&error)) << error;
        ASSERT_EQ(RTUOpenDevice(bus_->slavePath().c_str(), 19200, 8, 0, 0), 1);
        arbiter_.connected();
        EngineOptions e;
        e.databasePath = databasePath(dir_.path());
        e.model = SensorModel::KA;
        e.text = englishText;
        e.read = read_ ? read_ : rtuRegisterReader();
        engine_ = std::make_unique<AcquisitionEngine>(arbiter_, store_, session_, e);
    }
    void TearDown() override {
        if (engine_) engine_->stop();
        engine_.reset();
        RTUCloseCom();
        bus_.reset();
    }
    long long dbCount(const std::string& where = "1") {
        return talvex::testing::RawDb(databasePath(dir_.path()))
            .number("select count(*) from SensorData where " + where);
    }

    TempDir dir_;
    std::unique_ptr<sim::SimBus> bus_;
    LinkArbiter arbiter_;
    RecordStore store_;
    Session session_;
    RegisterReader read_;
    std::unique_ptr<AcquisitionEngine> engine_;
};

TEST_F(SimPoll, SensorValuesArriveAsTheirTexts) {
    startBus({sim::defaultSensorConfig(1, SensorModel::KA), sim::defaultSensorConfig(2, SensorModel::KA)});
    sim::SensorValues v;
    v.dissolved = 1234;
    v.oilTemperature = 23.45;
    v.pressure = 101.3;
    v.dailyRate = -2;
    bus_->setValues(1, v);
    session_.enumUintEN.set(1, {1, 0, 1});
    session_.enumUintEN.set(2, {2, 0, 1});
    session_.selectedSensorId = 1;
    EXPECT_EQ(engine_->runCycle(), 2);
    const auto recs = store_.records("1");
    ASSERT_EQ(recs.size(), 1u);
    const TextRecord t = recs[0].texts();
    EXPECT_EQ(t[0], "1");
    EXPECT_EQ(t[2], "1234");
    EXPECT_EQ(t[4], "23.4");
    EXPECT_EQ(t[5], "-2");
    EXPECT_EQ(t[6], "101.3");
    EXPECT_EQ(dbCount("SensorId='1' and H2DG='1234' and Temp='23.4'"), 1);
    EXPECT_EQ(dbCount(), 2);
    EXPECT_EQ(engine_->chartPoints().take().size(), 1u);
}

TEST_F(SimPoll, SilentSensorLogsFailureAndStoresNothing) {
    startBus({sim::defaultSensorConfig(1, SensorModel::KA), sim::defaultSensorConfig(2, SensorModel::KA)});
    sim::Faults f;
    f.silent = {2};
    bus_->setFaults(f);
    session_.enumUintEN.set(1, {1, 0, 1});
    session_.enumUintEN.set(2, {2, 0, 1});
    EXPECT_EQ(engine_->runCycle(), 1);
    EXPECT_EQ(dbCount("SensorId='2'"), 0);
    EXPECT_EQ(dbCount("SensorId='1'"), 1);
    const std::string log = engine_->log().take();
    EXPECT_NE(log.find("  ID1 Polling Succeed\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("  ID2 Polling Failed (time-out)\r\n"), std::string::npos) << log;
    EXPECT_EQ(engine_->schedule().missCount(2), 1);
}

TEST_F(SimPoll, CorruptedRepliesNeverBecomeRecords) {
    startBus({sim::defaultSensorConfig(1, SensorModel::KA)});
    sim::SensorValues v;
    v.dissolved = 777;
    bus_->setValues(1, v);
    session_.enumUintEN.set(1, {1, 0, 1});
    sim::Faults f;
    f.crcErrorRate = 1;
    bus_->setFaults(f);
    EXPECT_EQ(engine_->runCycle(), 0);
    EXPECT_EQ(store_.recordCount("1"), 0u);
    f.crcErrorRate = 0.4;
    bus_->setFaults(f);
    int ok = 0;
    for (int i = 0; i < 12; ++i) ok += engine_->runCycle();
    EXPECT_GT(ok, 0);
    EXPECT_EQ(dbCount(), ok);
    EXPECT_EQ(dbCount("H2DG='777'"), ok);
}

TEST_F(SimPoll, ConcentratorGivesSixteenRecordsPerPoll) {
    sim::SensorConfig dcu = sim::defaultSensorConfig(9, SensorModel::KF);
    dcu.concentrator = true;
    startBus({dcu});
    session_.enumUintEN.set(1, {9, 0, 1});
    session_.selectedSensorId = 9;
    store_.selectSensor("9");
    engine_->setWirelessDcuMode(true);
    EXPECT_EQ(engine_->runCycle(), 1);
    EXPECT_EQ(dbCount("SensorId='9'"), 16);
    EXPECT_EQ(store_.displayState().size, 16u);
}

// The poller thread runs against the bus while another thread takes holds and sends its own
// requests: no request of one may run while the other has one on the line.
TEST_F(SimPoll, HoldsNeverOverlapThePollersRequests) {
    std::atomic<int> pollerOnLine{0}, holderOnLine{0}, overlaps{0}, pollerRequests{0};
    read_ = [&](int slave, int start, int count, std::uint8_t* dest) {
        ++pollerOnLine;
        ++pollerRequests;
        if (holderOnLine) ++overlaps;
        const int rc = RTUReadHoldingRegisters(slave, start, count, dest);
        if (holderOnLine) ++overlaps;
        --pollerOnLine;
        return rc;
    };
    startBus({sim::defaultSensorConfig(1, SensorModel::KA), sim::defaultSensorConfig(2, SensorModel::KA)});
    session_.enumUintEN.set(1, {1, 0, 1});
    session_.enumUintEN.set(2, {2, 0, 1});
    engine_->start();

    int holderFailures = 0;
    const auto forms = {HoldKind::Standard, HoldKind::Light, HoldKind::Long};
    for (int round = 0; round < 20; ++round) {
        for (HoldKind kind : forms) {
            LinkHold outer = arbiter_.hold(kind);
            ASSERT_FALSE(outer.linkClosed());
            ++holderOnLine;
            if (pollerOnLine) ++overlaps;
            unsigned char buf[64];
            for (int r = 0; r < 2; ++r) holderFailures += RTUReadHoldingRegisters(1, 111, 1, buf) != 0;
            {
                LinkHold inner = arbiter_.hold(HoldKind::Light);  // nested hold inside an operation
                holderFailures += RTUWriteSingleRegister(2, 145, 400 + round) != 0;
            }
            if (pollerOnLine) ++overlaps;
            --holderOnLine;
        }
        // Let the poller have the line between rounds.
        const int before = pollerRequests;
        while (pollerRequests < before + 3) std::this_thread::yield();
    }
    engine_->stop();
    EXPECT_EQ(overlaps, 0);
    EXPECT_EQ(holderFailures, 0);
    EXPECT_EQ(bus_->droppedBytes(), 0u);
    EXPECT_EQ(arbiter_.gate(), 1);
    EXPECT_GT(dbCount("SensorId='1'"), 10);
}

}  // namespace
}  // namespace talvex::acquisition
