// The record store: trimming, append counts and the display buffer's take-over.
#include <gtest/gtest.h>

#include "talvex/acquisition/record_store.hpp"
#include "test_support.hpp"

namespace talvex::acquisition {
namespace {

using test::numberedRecord;

int h2(const StoredRecord& r) {
    return std::stoi(r.field(Field::H2DG));
}
int h2(const TextRecord& r) {
    return std::stoi(r[2]);
}

void appendRange(RecordStore& s, unsigned id, int from, int to) {
    for (int n = from; n < to; ++n) s.append(RecordStore::keyOf(id), StoredRecord(numberedRecord(id, n)));
}

TEST(RecordStore, KeepsExactlyTheNewestRecordsAndCountsEveryAppend) {
    RecordStore store(100);
    appendRange(store, 4, 0, 250);
    appendRange(store, 5, 0, 3);
    EXPECT_EQ(store.recordCount("4"), 100u);
    EXPECT_EQ(store.appendCount("4"), 250);
    EXPECT_EQ(store.appendCount("5"), 3);
    EXPECT_EQ(store.appendCount("6"), 0);
    const auto recs = store.records("4");
    ASSERT_EQ(recs.size(), 100u);
    EXPECT_EQ(h2(recs.front()), 150);
    EXPECT_EQ(h2(recs.back()), 249);
    const auto newest = store.records("4", 2);
    ASSERT_EQ(newest.size(), 2u);
    EXPECT_EQ(h2(newest[0]), 248);
}

TEST(RecordStore, FullSizeStoreTrimsTo20000) {
    RecordStore store;
    appendRange(store, 1, 0, 20005);
    EXPECT_EQ(store.recordCount("1"), 20000u);
    EXPECT_EQ(h2(store.records("1").front()), 5);
}

TEST(DisplayBuffer, StaysEmptyWithoutSelection) {
    RecordStore store;
    appendRange(store, 1, 0, 10);
    const auto before = store.displayState();
    const auto after = store.takeOver();
    EXPECT_EQ(after.size, 0u);
    EXPECT_EQ(after.version, before.version);
    EXPECT_FALSE(store.displayRecord(0).has_value());
}

TEST(DisplayBuffer, SelectCopiesNewestThenTakeOverAddsOnlyNewRecords) {
    RecordStore store(50);
    appendRange(store, 2, 0, 70);
    appendRange(store, 3, 0, 5);
    auto st = store.selectSensor("2");
    EXPECT_EQ(st.size, 50u);
    EXPECT_EQ(h2(*store.displayRecord(0)), 20);
    const auto v0 = st.version;
    st = store.takeOver();  // nothing new
    EXPECT_EQ(st.version, v0);
    appendRange(store, 3, 5, 9);  // other sensor: not taken over
    appendRange(store, 2, 70, 73);
    st = store.takeOver();
    EXPECT_EQ(st.size, 50u);
    EXPECT_GT(st.version, v0);
    EXPECT_EQ(h2(*store.displayRecord(49)), 72);
    EXPECT_EQ(h2(*store.displayRecord(0)), 23);
    EXPECT_EQ(store.displayCell(49, Field::SensorId), "2");
    EXPECT_FALSE(store.displayCell(50, Field::SensorId).has_value());
}

TEST(DisplayBuffer, MoreArrivalsThanHeldTakesOnlyWhatIsHeld) {
    RecordStore store(10);
    store.selectSensor("1");
    appendRange(store, 1, 0, 35);  // 35 appended, 10 held
    const auto st = store.takeOver();
    ASSERT_EQ(st.size, 10u);
    EXPECT_EQ(h2(*store.displayRecord(0)), 25);
    EXPECT_EQ(h2(*store.displayRecord(9)), 34);
}

TEST(DisplayBuffer, ClearAllEmptiesEverySensorAndRestartsCounting) {
    RecordStore store;
    appendRange(store, 1, 0, 5);
    appendRange(store, 2, 0, 5);
    store.selectSensor("1");
    store.clearAll();
    EXPECT_EQ(store.recordCount("2"), 0u);
    EXPECT_EQ(store.appendCount("1"), 0);
    EXPECT_EQ(store.displayState().size, 0u);
    EXPECT_EQ(store.selectedKey(), "1");
    appendRange(store, 1, 100, 102);
    EXPECT_EQ(store.takeOver().size, 2u);
    EXPECT_EQ(h2(*store.displayRecord(0)), 100);
}

TEST(DisplayBuffer, ClearSensorEmptiesOnlyThatSensor) {
    RecordStore store;
    appendRange(store, 1, 0, 5);
    appendRange(store, 2, 0, 5);
    store.selectSensor("1");
    const auto version = store.displayState().version;
    store.clearSensor("1");
    EXPECT_EQ(store.recordCount("1"), 0u);
    EXPECT_EQ(store.appendCount("1"), 0);
    EXPECT_EQ(store.displayState().size, 0u);
    EXPECT_NE(store.displayState().version, version);
    EXPECT_EQ(store.recordCount("2"), 5u);
    EXPECT_EQ(store.appendCount("2"), 5);
    appendRange(store, 1, 100, 102);  // counting restarts: the next take-over gets exactly these
    EXPECT_EQ(store.takeOver().size, 2u);
    EXPECT_EQ(h2(*store.displayRecord(0)), 100);

    store.clearSensor("2");  // not the selected one: the display buffer stays
    EXPECT_EQ(store.displayState().size, 2u);
    EXPECT_EQ(store.recordCount("2"), 0u);
}

TEST(DisplayBuffer, WirelessRecordsGoStraightInOnlyForTheSelectedKey) {
    RecordStore store(3);
    store.selectSensor("9");
    for (int n = 0; n < 5; ++n) {
        store.appendToDisplay("9", StoredRecord(numberedRecord(9, n)));
        store.appendToDisplay("8", StoredRecord(numberedRecord(8, n)));
    }
    EXPECT_EQ(store.displayState().size, 3u);
    EXPECT_EQ(h2(*store.displayRecord(0)), 2);
    EXPECT_EQ(store.recordCount("9"), 0u);
    const auto rows = store.displayRows(1, 10);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(h2(rows[1]), 4);
}

TEST(RecordStore, LoadReplacesRecordsButKeepsAppendCounts) {
    RecordStore store(3);
    appendRange(store, 1, 0, 2);
    std::map<std::string, std::vector<StoredRecord>> loaded;
    for (int n = 10; n < 15; ++n) loaded["7"].emplace_back(numberedRecord(7, n));
    store.replaceRecords(std::move(loaded));
    EXPECT_EQ(store.recordCount("1"), 0u);
    EXPECT_EQ(store.appendCount("1"), 2);
    const auto recs = store.records("7");
    ASSERT_EQ(recs.size(), 3u);
    EXPECT_EQ(h2(recs.front()), 12);
}

}  // namespace
}  // namespace talvex::acquisition
