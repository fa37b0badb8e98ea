// CSV export: format, quoting, progress rule and outcomes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>

#include "talvex/acquisition/csv_export.hpp"
#include "talvex/acquisition/measurement_db.hpp"
#include "talvex/acquisition/pending.hpp"
#include "test_support.hpp"

namespace talvex::acquisition {
namespace {

using test::englishText;
using test::numberedRecord;
using test::TempDir;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(CsvField, QuotesOnlyWhenNeeded) {
    const struct {
        std::string in, out;
    } cases[] = {{"a,b", "\"a,b\""},
                 {"say \"hi\"", "\"say \"\"hi\"\"\""},
                 {"\"", "\"\"\"\""},
                 {"plain 23.4", "plain 23.4"},
                 {"two\nlines", "\"two\nlines\""},
                 {"cr\ronly", "cr\ronly"},
                 {"", ""}};
    for (const auto& c : cases) {
        std::string out;
        appendCsvField(out, c.in);
        EXPECT_EQ(out, c.out) << c.in;
    }
}

struct ExportFixture : ::testing::Test {
    TempDir dir;
    std::string dbPath = databasePath(dir.path());
    MeasurementDb db{dbPath, nullptr, englishText};
    std::vector<int> progress;
    ExportResult run(const std::string& key, const std::string& file) {
        db.close();
        return exportCsv({dbPath, key, file}, englishText, [&](int p) { progress.push_back(p); });
    }
};

TEST_F(ExportFixture, WritesBomHeaderAndRowsOfOneSensorInOrder) {
    ASSERT_EQ(db.insert({"4", "2026-01-02 03:04:05", "a,b", "say \"hi\"", "20.0", "0", "0.0", "0.0", "A00"}),
              0);
    ASSERT_EQ(db.insert(numberedRecord(5, 1)), 0);
    ASSERT_EQ(db.insert(numberedRecord(4, 2)), 0);
    const std::string out = dir.file("SensorData_ID4.csv");
    const ExportResult r = run("4", out);
    ASSERT_EQ(r.outcome, kExportDone) << r.errorText;
    EXPECT_EQ(readFile(out),
              "\xEF\xBB\xBFSensorId,Timestamp,H2DG,H2AG,Temp,DayRoc,PR,WT,RunStatus\n"
              "4,2026-01-02 03:04:05,\"a,b\",\"say \"\"hi\"\"\",20.0,0,0.0,0.0,A00\n"
              "4,2026-01-02 03:04:05,2,0,20.0,0,0.0,0.0,0\n");
    EXPECT_EQ(exportMessage(r, out, englishText), "Exported to：\r\n" + out);
}

TEST_F(ExportFixture, SensorAmongManyExportsItsRowsInOrder) {
    ASSERT_EQ(db.open(), 0);
    for (int n = 0; n < 40; ++n) ASSERT_EQ(db.insert(numberedRecord(static_cast<unsigned>(1 + n % 8), n)), 0);
    const std::string out = dir.file("three.csv");
    ASSERT_EQ(run("3", out).outcome, kExportDone);
    std::string want = "\xEF\xBB\xBFSensorId,Timestamp,H2DG,H2AG,Temp,DayRoc,PR,WT,RunStatus\n";
    for (int n = 2; n < 40; n += 8)
        want += "3,2026-01-02 03:04:05," + std::to_string(n) + ",0,20.0,0,0.0,0.0,0\n";
    EXPECT_EQ(readFile(out), want);
}

TEST_F(ExportFixture, NoRowsWritesNoFile) {
    ASSERT_EQ(db.insert(numberedRecord(5, 1)), 0);
    const std::string out = dir.file("none.csv");
    const ExportResult r = run("4", out);
    EXPECT_EQ(r.outcome, kExportNoData);
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(exportMessage(r, out, englishText), "No data found for this SensorId!");
    EXPECT_TRUE(progress.empty());
}

TEST_F(ExportFixture, ProgressPostsEachPercentOnceThenHundredAgain) {
    ASSERT_EQ(db.open(), 0);
    for (int n = 0; n < 1000; ++n) ASSERT_EQ(db.insert(numberedRecord(2, n)), 0);
    const ExportResult r = run("2", dir.file("p.csv"));
    ASSERT_EQ(r.outcome, kExportDone);
    std::vector<int> want;
    for (int p = 0; p <= 100; ++p) want.push_back(p);
    want.push_back(100);
    EXPECT_EQ(progress, want);
}

TEST_F(ExportFixture, FailuresGiveTheirMessages) {
    ASSERT_EQ(db.insert(numberedRecord(2, 1)), 0);
    ExportResult r = run("2", dir.file("no/such/dir/x.csv"));
    EXPECT_EQ(r.outcome, kExportError);
    EXPECT_EQ(exportMessage(r, "", englishText), "CSV file open failed");
    r = exportCsv({dir.file("absent.db"), "2", dir.file("x.csv")}, englishText, nullptr);
    EXPECT_EQ(r.outcome, kExportError);
    EXPECT_EQ(r.errorText,
              "Database open failed,Please check and try again. (unable to open database file: " +
                  dir.file("absent.db") + ")");
    EXPECT_FALSE(std::filesystem::exists(dir.file("absent.db")));
}

// A damaged file must not read as "no data" or as a bare step name: the message keeps its text and
// adds SQLite's reason and the file.
TEST_F(ExportFixture, FailuresNameSQLitesReasonAndTheFile) {
    for (int n = 0; n < 3000; ++n) ASSERT_EQ(db.insert(numberedRecord(2, n)), 0);
    db.close();
    {
        // Pages in the middle of the file overwritten: a corrupt page.
        std::fstream f(dbPath, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(4096 * 3);
        f << std::string(4096 * 20, '\xA5');
    }
    const std::string textFile = dir.file("notes.db");
    std::ofstream(textFile) << std::string(8192, 'x');
    const struct {
        std::string dbPath, prefix, reason;
    } cases[] = {
        {dbPath, "No data found for this SensorId! (", "malformed"},
        {textFile, "COUNT Compile Failed. (", "file is not a database"},
    };
    for (const auto& c : cases) {
        const ExportResult r = exportCsv({c.dbPath, "2", dir.file("x.csv")}, englishText, nullptr);
        EXPECT_EQ(r.outcome, kExportError) << c.dbPath;
        EXPECT_EQ(r.errorText.rfind(c.prefix, 0), 0u) << r.errorText;
        EXPECT_NE(r.errorText.find(c.reason), std::string::npos) << r.errorText;
        EXPECT_NE(r.errorText.find(c.dbPath), std::string::npos) << r.errorText;
        EXPECT_FALSE(std::filesystem::exists(dir.file("x.csv")));
    }
    PendingLog log;
    MeasurementDb text(textFile, &log, englishText);
    EXPECT_NE(text.open(), 0);
    EXPECT_EQ(log.take(),
              "Operation failed,database linked_list generation error. (file is not a database: " + textFile +
                  ")\r\n");
}

TEST_F(ExportFixture, WorkerRunsOneExportAtATimeAndReleasesItsHold) {
    ASSERT_EQ(db.insert(numberedRecord(2, 1)), 0);
    db.close();
    LinkArbiter arbiter;
    arbiter.connected();
    CsvExportWorker worker;
    std::promise<ExportResult> done;
    std::promise<void> gateOpen;
    auto gate = gateOpen.get_future().share();
    ASSERT_TRUE(worker.start(
        {dbPath, "2", dir.file("w.csv")}, englishText, [&](int) { gate.wait(); },
        [&](const ExportResult& r) { done.set_value(r); }, arbiter.hold(HoldKind::Light)));
    EXPECT_EQ(arbiter.gate(), 0);
    EXPECT_FALSE(worker.start({dbPath, "2", dir.file("w2.csv")}, englishText, nullptr, nullptr));
    gateOpen.set_value();
    EXPECT_EQ(done.get_future().get().outcome, kExportDone);
    worker.wait();
    EXPECT_EQ(arbiter.gate(), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("w2.csv")));
}

}  // namespace
}  // namespace talvex::acquisition
