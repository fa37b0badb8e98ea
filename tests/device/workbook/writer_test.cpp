// The production list export: cells, widths and header row read back, and a failed export that
// leaves the previous file as it was.
#include <gtest/gtest.h>

#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>

#include <regex>
#include <string>
#include <vector>

#include "talvex/testing/temp_dir.hpp"
#include "talvex/workbook/reader.hpp"
#include "talvex/workbook/writer.hpp"

namespace talvex::workbook {
namespace {

using talvex::testing::readBytes;
using talvex::testing::TempDir;
using talvex::testing::writeBytes;

TextList productionList() {
    TextList list;
    list.columns = {{"序号", 50}, {"参数", 100}, {"数值", 120}, {"备注", 140}};
    for (int i = 1; i <= 53; ++i)
        list.rows.push_back({std::to_string(i), "label" + std::to_string(i),
                             i == 7 ? "" : "0.00012" + std::to_string(i), "描述" + std::to_string(i)});
    list.rows[1][2] = "D2026120801";
    return list;
}

std::string zipEntry(const std::string& zip, const char* name) {
    orcus::zip_archive_stream_blob stream(reinterpret_cast<const uint8_t*>(zip.data()), zip.size());
    orcus::zip_archive archive(&stream);
    archive.load();
    std::vector<unsigned char> buf;
    if (!archive.read_file_entry(name, buf)) return {};
    return {buf.begin(), buf.end()};
}

TEST(Writer, ProductionListRoundTrips) {
    TempDir dir;
    auto path = (dir / "D2026120801.xlsx").string();
    TextList list = productionList();
    ASSERT_TRUE(writeList(list, path, OutputRule{}).ok());

    ReadResult r = readFirstSheet(path);
    ASSERT_TRUE(r.ok()) << r.detail;
    ASSERT_EQ(r.sheet.rowCount(), 54);
    ASSERT_EQ(r.sheet.columnCount(), 4);
    EXPECT_EQ(r.sheet.cellName(1, 1), "A1");
    for (int c = 0; c < 4; ++c) EXPECT_EQ(r.sheet.cellText(1, c + 1), list.columns[c].header);
    for (int row = 0; row < 53; ++row)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(r.sheet.cellText(row + 2, c + 1), list.rows[row][c]) << row << "," << c;

    // Data stays text: a number-like value keeps its digits instead of becoming 0.000121.
    EXPECT_EQ(r.sheet.cellText(2, 3), "0.000121");
    std::string xml = zipEntry(readBytes(path), "xl/worksheets/sheet1.xml");
    EXPECT_TRUE(std::regex_search(xml, std::regex(R"(<row r="1"[^>]*ht="50"[^>]*customHeight="1")"))) << xml;
    // Widths pixel/6 in characters: 8, 16, 20, 23 (stored with the font's padding, as the library writes it).
    const char* widths[] = {"8.7109375", "16.7109375", "20.7109375", "23.7109375"};
    for (int c = 0; c < 4; ++c) {
        std::string col = "<col min=\"" + std::to_string(c + 1) + "\" max=\"" + std::to_string(c + 1) +
                          "\" width=\"" + widths[c] + "\"";
        EXPECT_NE(xml.find(col), std::string::npos) << col;
    }
    std::string styles = zipEntry(readBytes(path), "xl/styles.xml");
    EXPECT_NE(styles.find("vertical=\"center\""), std::string::npos);
}

TEST(Writer, FailedExportLeavesTheOldFile) {
    TempDir dir;
    auto path = dir / "old.xlsx";
    writeBytes(path, "the previous export");
    TextList list = productionList();
    list.rows[10][2] = std::string(40000, 'x');  // beyond a cell's 32767 characters: the library refuses
    WriteResult w = writeList(list, path.string(), OutputRule{true});
    EXPECT_EQ(w.error, WriteError::WriteFailed);
    EXPECT_EQ(readBytes(path), "the previous export");
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) files += e.is_regular_file();
    EXPECT_EQ(files, 1) << "no temporary file left behind";

    EXPECT_EQ(writeList(list, (dir / "no-such-folder" / "x.xlsx").string(), OutputRule{}).error,
              WriteError::CannotCreate);
    TextList wide;
    wide.columns.resize(27, {"h", 60});
    EXPECT_EQ(writeList(wide, (dir / "wide.xlsx").string(), OutputRule{}).error, WriteError::BadList);
}

TEST(Writer, ReplacesAnExistingFileWhenComplete) {
    TempDir dir;
    auto path = dir / "again.xlsx";
    writeBytes(path, "older");
    ASSERT_TRUE(writeList(productionList(), path.string(), OutputRule{true}).ok());
    ReadResult r = readFirstSheet(path.string());
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.sheet.cellText(3, 3), "D2026120801");
}

}  // namespace
}  // namespace talvex::workbook
