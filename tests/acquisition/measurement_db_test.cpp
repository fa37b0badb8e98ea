// SensorDB.db: schema, inserts with quoting, delete, the start-up load, junk and a killed writer.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "talvex/acquisition/measurement_db.hpp"
#include "talvex/acquisition/pending.hpp"
#include "talvex/acquisition/record_store.hpp"
#include "talvex/testing/raw_db.hpp"
#include "test_support.hpp"

namespace talvex::acquisition {
namespace {

using test::englishText;
using test::numberedRecord;
using test::TempDir;

using talvex::testing::RawDb;

struct DbFixture : ::testing::Test {
    TempDir dir;
    std::string path = databasePath(dir.path());
    PendingLog log;
    MeasurementDb db{path, &log, englishText};
};

TEST_F(DbFixture, FirstOpenCreatesFileWithTheExactTableAndWal) {
    ASSERT_EQ(db.open(), 0);
    db.close();
    RawDb raw(path);
    EXPECT_EQ(
        raw.scalar("select sql from sqlite_master where name='SensorData'"),
        "CREATE TABLE SensorData(SensorId char, Timestamp char, H2DG char, H2AG char, Temp char, DayRoc "
        "char, PR char, WT char, RunStatus char)");
    EXPECT_EQ(raw.scalar("pragma journal_mode"), "wal");
}

TEST_F(DbFixture, InsertStoresTextsVerbatimWithQuotesDoubledSafely) {
    const TextRecord r{"1", "it's", "a,b", "\"q\"", "'); drop table SensorData; --", "", "x", "y", "z"};
    ASSERT_EQ(db.insert(r), 0);
    ASSERT_EQ(db.insert(numberedRecord(1, 5)), 0);
    RawDb raw(path);
    EXPECT_EQ(raw.scalar("select count(*) from SensorData"), "2");
    EXPECT_EQ(raw.scalar("select Timestamp from SensorData where rowid=1"), "it's");
    EXPECT_EQ(raw.scalar("select Temp from SensorData where rowid=1"), "'); drop table SensorData; --");
    EXPECT_EQ(raw.scalar("select DayRoc from SensorData where rowid=1"), "");
}

TEST_F(DbFixture, FailedInsertReportsAndClosesTheConnection) {
    ASSERT_EQ(db.insert(numberedRecord(1, 1)), 0);
    {
        RawDb raw(path);
        raw.exec("drop table SensorData");
        raw.exec("create table SensorData(x)");
    }
    EXPECT_NE(db.insert(numberedRecord(1, 2)), 0);
    EXPECT_FALSE(db.isOpen());
}

// A user or a backup tool removes or renames SensorDB.db between two inserts of a running poller:
// the next record goes to a new file at the path (records must not vanish into the unlinked or
// renamed file), and a renamed file keeps what it had.
TEST_F(DbFixture, FileRemovedOrRenamedBetweenInsertsIsReopenedAtThePath) {
    for (const bool rename : {false, true}) {
        SCOPED_TRACE(rename ? "mv" : "rm");
        const std::string moved = dir.file("moved.db");
        ASSERT_EQ(db.insert(numberedRecord(1, 1)), 0);
        if (rename)
            std::filesystem::rename(path, moved);
        else
            std::filesystem::remove(path);
        ASSERT_EQ(db.insert(numberedRecord(1, 2)), 0);
        db.close();
        EXPECT_EQ(RawDb(path).scalar("select group_concat(H2DG) from SensorData"), "2");
        if (rename) {
            EXPECT_EQ(RawDb(moved).scalar("select group_concat(H2DG) from SensorData"), "1");
        }
        std::filesystem::remove(path);
    }
}

TEST_F(DbFixture, OpenFailureIsLoggedWithCodeAndText) {
    MeasurementDb bad(dir.file("missing/dir/SensorDB.db"), &log, englishText);
    EXPECT_EQ(bad.insert(numberedRecord(1, 1)), SQLITE_CANTOPEN);
    const std::string text = log.take();
    EXPECT_EQ(text.rfind("Database open failed,Please check and try again. [rc=14] ", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST_F(DbFixture, DeleteRemovesOnlyThatSensorAndRefusesAnEmptyId) {
    for (int n = 0; n < 3; ++n) {
        ASSERT_EQ(db.insert(numberedRecord(1, n)), 0);
        ASSERT_EQ(db.insert(numberedRecord(2, n)), 0);
    }
    MeasurementDb deleter(path, &log, englishText);
    EXPECT_EQ(deleter.deleteSensor(""), -1);
    EXPECT_EQ(deleter.deleteSensor("1"), 0);
    EXPECT_FALSE(deleter.isOpen());
    RawDb raw(path);
    EXPECT_EQ(raw.scalar("select count(*) from SensorData where SensorId='1'"), "0");
    EXPECT_EQ(raw.scalar("select count(*) from SensorData where SensorId='2'"), "3");
}

// The same newest-20 000 load through the SensorId index, and from a large file written by earlier
// versions: that one is read in one pass and not indexed during the load (the window must not wait
// for the build); the background build then adds the index while inserts wait their turn.
TEST_F(DbFixture, LoadTakesNewest20000PerSensorOldestFirst) {
    for (const bool largeOldFile : {false, true}) {
        SCOPED_TRACE(largeOldFile ? "large file without the index" : "indexed");
        db.close();
        for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path + suffix);
        {
            RawDb raw(path);
            raw.exec(kCreateTableSql);
            raw.exec("begin");
            // Interleaved sensors, so the per-sensor query must really pick by SensorId.
            for (int n = 0; n < 25000; ++n) {
                raw.exec("insert into SensorData values('3','2026-01-02 03:04:05','" + std::to_string(n) +
                         "','0','20.0','0','0.0','0.0','0')");
                if (n % 100 == 0)
                    raw.exec("insert into SensorData values('11','2026-01-02 03:04:05','" +
                             std::to_string(n) + "','0','20.0','0','0.0','0.0','0')");
            }
            raw.exec("insert into SensorData(SensorId) values(NULL)");
            raw.exec("commit");
        }
        if (largeOldFile) db.setInlineIndexRows(1000);
        RecordStore store;
        store.append("3", StoredRecord(numberedRecord(3, -1)));
        ASSERT_EQ(db.loadAll(store), 2);
        const auto recs = store.records("3");
        ASSERT_EQ(recs.size(), 20000u);
        EXPECT_EQ(recs.front().field(Field::H2DG), "5000");
        EXPECT_EQ(recs.back().field(Field::H2DG), "24999");
        EXPECT_EQ(store.recordCount("11"), 250u);
        EXPECT_EQ(store.records("11").back().field(Field::H2DG), "24900");
        EXPECT_EQ(store.appendCount("3"), 1);
        const std::string indexes =
            "select count(*) from sqlite_master where type='index' and tbl_name='SensorData'";
        EXPECT_EQ(RawDb(path).scalar(indexes), largeOldFile ? "0" : "1");
        if (!largeOldFile) continue;
        BackgroundIndexBuild build;
        build.start(path);
        EXPECT_EQ(db.insert(numberedRecord(3, 25000)), 0);
        EXPECT_TRUE(build.wait());
        EXPECT_EQ(RawDb(path).scalar(indexes), "1");
        EXPECT_EQ(RawDb(path).scalar("select count(*) from SensorData where SensorId='3'"), "25001");
    }
}

TEST_F(DbFixture, JunkLoadsWithoutCrashing) {
    {
        RawDb raw(path);
        raw.exec(kCreateTableSql);
        raw.exec("create table Foreign1(a, b)");
        raw.exec("insert into Foreign1 values(1, x'00')");
        raw.exec("insert into SensorData values(NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)");
        raw.exec("insert into SensorData values('5', 12, 'abc', x'ff00', NULL, 1e400, -7, '', 'zz')");
        raw.exec("insert into SensorData(SensorId) values('5')");
        raw.exec("insert into SensorData values(x'3600', 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h')");
    }
    RecordStore store;
    EXPECT_GE(db.loadAll(store), 1);
    const auto recs = store.records("5");
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[0].field(Field::Timestamp), "12");
    EXPECT_EQ(recs[0].field(Field::H2DG), "abc");
    EXPECT_EQ(recs[0].field(Field::Temp), "");
    EXPECT_EQ(recs[1].field(Field::RunStatus), "");
}

TEST_F(DbFixture, LoadOfAForeignSensorDataTableFailsCleanly) {
    {
        RawDb raw(path);
        raw.exec("create table SensorData(a, b)");
        raw.exec("insert into SensorData values(1, 2)");
    }
    RecordStore store;
    store.append("1", StoredRecord(numberedRecord(1, 1)));
    EXPECT_EQ(db.loadAll(store), -1);
    EXPECT_EQ(store.recordCount("1"), 0u);
}

// A writer killed in the middle of its inserts leaves a sound file with every committed record.
TEST(DbCrash, KilledWriterLosesNoCommittedRecord) {
    TempDir dir;
    const std::string path = databasePath(dir.path());
    int pipeFd[2];
    ASSERT_EQ(pipe(pipeFd), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipeFd[0]);
        MeasurementDb db(path, nullptr, nullptr);
        for (std::int32_t n = 1;; ++n) {
            if (db.insert(numberedRecord(1, n)) != 0) _exit(3);
            if (write(pipeFd[1], &n, sizeof n) != sizeof n) _exit(4);
        }
    }
    close(pipeFd[1]);
    std::int32_t committed = 0, n = 0;
    while (committed < 300 && read(pipeFd[0], &n, sizeof n) == sizeof n) committed = n;
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    while (read(pipeFd[0], &n, sizeof n) == sizeof n) committed = n;  // reports sent before the kill
    close(pipeFd[0]);

    RawDb raw(path);
    EXPECT_EQ(raw.scalar("pragma integrity_check"), "ok");
    const int rows = std::stoi(raw.scalar("select count(*) from SensorData"));
    EXPECT_GE(rows, committed);
    EXPECT_LE(rows, committed + 1);  // at most the one committed but not yet reported
    EXPECT_EQ(raw.scalar("select count(distinct H2DG) from SensorData"), std::to_string(rows));
}

}  // namespace
}  // namespace talvex::acquisition
