// The history CSV file, the result texts of a read, and the refusal of bad box texts.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "history_streams.hpp"
#include "talvex/acquisition/history_export.hpp"
#include "talvex/acquisition/history_requests.hpp"
#include "talvex/language.hpp"
#include "test_support.hpp"

namespace talvex::acquisition {
namespace {

using namespace test;

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

HistoryTable tableOf(HistoryFormat format, int count) {
    HistoryTable t{3, format, {}};
    for (int i = 1; i <= count; ++i) {
        RecordFields f = numbered(i);
        f.temperatureRaw = 12345;
        f.rate = -i;
        f.pressure = 101.25f;
        f.moisture = 8.5f;
        const Bytes b = format == HistoryFormat::V2 ? v2Record(f) : v1Record(f);
        t.records.push_back(decodeHistoryRecord(b.data(), format));
    }
    return t;
}

const HistoryHeadings kHeadings = {"ID", "Time", "H2", "Temp(℃)", "Rate", "PR", "WT"};

TEST(HistoryExport, FileBytes) {
    TempDir dir;
    const std::string path = dir.file("h.csv");
    std::ofstream(path) << "an older file";
    ASSERT_EQ(writeHistoryCsv(path, tableOf(HistoryFormat::V2, 2), kHeadings, OutputRule{true}),
              HistoryExportOutcome::Done);
    EXPECT_EQ(slurp(path),
              "\xEF\xBB\xBFID,Time,H2,Temp(℃),Rate,PR,WT\r\n"
              "3,2025-03-01 08:00:01,1,23.45,-1,101.25,8.50\r\n"
              "3,2025-03-01 08:00:02,2,23.45,-2,101.25,8.50\r\n");
    ASSERT_EQ(writeHistoryCsv(path, tableOf(HistoryFormat::V1, 1), kHeadings, OutputRule{true}),
              HistoryExportOutcome::Done);
    EXPECT_EQ(slurp(path),
              "\xEF\xBB\xBFID,Time,H2,Temp(℃),Rate,PR,WT\r\n3,2025-03-01 08:00:01,1,23.45,-1,,\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
        << "a temporary file left";
}

TEST(HistoryExport, ProgressEvery2000Records) {
    TempDir dir;
    std::vector<int> progress;
    ASSERT_EQ(writeHistoryCsv(dir.file("p.csv"), tableOf(HistoryFormat::V1, 5000), kHeadings, OutputRule{},
                              [&](int p) { progress.push_back(p); }),
              HistoryExportOutcome::Done);
    EXPECT_EQ(progress, (std::vector<int>{0, 40, 80, 100}));
}

TEST(HistoryExport, NothingToWriteOrNowhereToWriteKeepsFiles) {
    TempDir dir;
    const std::string path = dir.file("keep.csv");
    std::ofstream(path) << "kept";
    EXPECT_EQ(writeHistoryCsv(path, tableOf(HistoryFormat::V2, 0), kHeadings, OutputRule{true}),
              HistoryExportOutcome::NoData);
    EXPECT_EQ(slurp(path), "kept");
    EXPECT_EQ(writeHistoryCsv(path, tableOf(HistoryFormat::V2, 1), kHeadings, OutputRule{}),
              HistoryExportOutcome::Refused);
    EXPECT_EQ(slurp(path), "kept");
    EXPECT_EQ(
        writeHistoryCsv(dir.file("missing/dir.csv"), tableOf(HistoryFormat::V2, 1), kHeadings, OutputRule{}),
        HistoryExportOutcome::CreateFailed);
    // A file that cannot be written in full (here: over the size limit) is reported, never as success,
    // and the old one stays.
    struct sigaction ignore {
    }, before{};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &before), 0);
    rlimit limit{}, saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    limit = saved;
    limit.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    const HistoryExportOutcome tooLarge =
        writeHistoryCsv(path, tableOf(HistoryFormat::V2, 3), kHeadings, OutputRule{true});
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::sigaction(SIGXFSZ, &before, nullptr);
    EXPECT_EQ(tooLarge, HistoryExportOutcome::WriteFailed);
    EXPECT_EQ(slurp(path), "kept");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
        << "a temporary file left";
}

// The temporary file is a new one of its own: a link planted at the name a writer once used
// ("<out>.part") is neither followed nor replaced.
TEST(HistoryExport, APlantedPartFileIsNotFollowed) {
    TempDir dir;
    const std::string path = dir.file("h.csv");
    const std::string victim = dir.file("victim.txt");
    std::ofstream(victim) << "someone else's file";
    std::filesystem::create_symlink(victim, path + ".part");
    ASSERT_EQ(writeHistoryCsv(path, tableOf(HistoryFormat::V1, 1), kHeadings, OutputRule{}),
              HistoryExportOutcome::Done);
    EXPECT_EQ(slurp(victim), "someone else's file");
    EXPECT_TRUE(std::filesystem::is_symlink(path + ".part"));
    EXPECT_EQ(slurp(path).rfind("\xEF\xBB\xBFID,", 0), 0u);
}

TEST(HistoryMessages, ReadResultTexts) {
    const TextLookup text = [](std::string_view key) -> std::string {
        if (key == "IDS_Tab_Query_ReadDone") return "Read %d";
        if (key == "IDS_Tab_Query_ReadDoneTip")
            return "Read %d history records\n\nRequested %d, sensor returned %d.";
        return "Not found";
    };
    EXPECT_EQ(historyReadMessage(12, 0, text), "Read 12");
    EXPECT_EQ(historyReadMessage(70000, 70000, text), "Read 70000");
    EXPECT_EQ(historyReadMessage(3, 4294967295u, text),
              "Read 3 history records\n\nRequested 4294967295, sensor returned 3.");
    EXPECT_EQ(fillText("Exported to %s!", {"/tmp/a%d.csv"}), "Exported to /tmp/a%d.csv!");
    EXPECT_EQ(fillText("100% %lu", {"7"}), "100% 7");
}

// What else the stream held, from the language table in both languages: the format to choose in
// place of the advice to wait longer, and the damaged records skipped.
TEST(HistoryMessages, OtherFormatAndDamagedRecords) {
    HistoryReadResult wrongFormat;
    wrongFormat.dropped = 500;
    wrongFormat.otherFormat = HistoryFormat::V2;
    HistoryReadResult damaged;
    damaged.dropped = 3;
    const HistoryReadResult clean;
    struct Case {
        Language language;
        const HistoryReadResult& read;
        std::size_t received;
        std::uint32_t requested;
        std::string message;
    };
    const Case cases[] = {
        {Language::English, wrongFormat, 0, 20, "Read 0\nThe records are in the V2 format: choose V2."},
        {Language::Chinese, wrongFormat, 0, 20, "已读取 0 条\n记录为 V2 格式：请选择 V2。"},
        {Language::English, damaged, 20, 20, "Read 20\n3 damaged records skipped."},
        {Language::Chinese, damaged, 20, 20, "已读取 20 条\n已跳过 3 条损坏的记录。"},
        {Language::English, clean, 20, 20, "Read 20"},
    };
    for (const auto& c : cases) {
        const TextLookup text = [&c](std::string_view key) { return GetTextIn(c.language, key); };
        EXPECT_EQ(historyReadMessage(c.received, c.requested, c.read, text), c.message);
    }
    HistoryReadResult v1;
    v1.otherFormat = HistoryFormat::V1;
    const TextLookup english = [](std::string_view key) { return GetTextIn(Language::English, key); };
    EXPECT_EQ(historyReadMessage(0, 0, v1, english), "Read 0\nThe records are in the V1 format: choose V1.");
    // Fewer than N and damaged records: both are said.
    EXPECT_EQ(historyReadMessage(2, 4, damaged, english),
              historyReadMessage(2, 4, english) + "\n3 damaged records skipped.");
}

TEST(HistoryBoxes, OnlyWholeNumbersInRange) {
    struct Case {
        const char* text;
        std::optional<std::uint32_t> count;
        std::optional<std::uint16_t> interval;
    };
    const Case cases[] = {
        {"70000", 70000u, std::nullopt},
        {" 15 ", 15u, 15},
        {"0", 0u, std::nullopt},
        {"65535", 65535u, 65535},
        {"65536", 65536u, std::nullopt},
        {"4294967295", 4294967295u, std::nullopt},
        {"4294967296", std::nullopt, std::nullopt},
        {"99999999999999999999", std::nullopt, std::nullopt},
        {"12abc", std::nullopt, std::nullopt},
        {"-1", std::nullopt, std::nullopt},
        {"+5", std::nullopt, std::nullopt},
        {"1e3", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {"   ", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseRecordCount(c.text), c.count) << '"' << c.text << '"';
        EXPECT_EQ(parseStorageInterval(c.text), c.interval) << '"' << c.text << '"';
    }
}

}  // namespace
}  // namespace talvex::acquisition
