// The reader on checked-in files of each format and on broken files made from them.
#include <gtest/gtest.h>

#include <xlsxwriter.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>

#include "loaders.hpp"
#include "talvex/testing/temp_dir.hpp"
#include "talvex/workbook/reader.hpp"
#include "talvex/workbook/writer.hpp"

namespace talvex::workbook {
namespace {

using talvex::testing::readBytes;
using talvex::testing::TempDir;
using talvex::testing::writeBytes;

const std::string kFixtures = WORKBOOK_FIXTURES;

// The four fixtures hold the same cells from B3 (see fixtures/make_fixtures.py). Neither .xls nor
// .ods number formats come through their libraries (General), CSV shows its text as written. The
// .xlsx names its parts by absolute paths and keeps its texts in the cells, as streaming writers do.
struct FixtureCase {
    const char* file;
    const char* small;  // 0.000001234
    const char* fixed;  // 1.5 under "0.00"
};

TEST(Reader, FixturesReadWithinTheUsedRange) {
    const FixtureCase cases[] = {
        {"used_range.xls", "1.234E-06", "1.5"},
        {"used_range.ods", "1.234E-06", "1.5"},
        {"used_range.csv", "1.234e-06", "1.5"},
        {"used_range.xlsx", "1.234E-06", "1.50"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ReadResult r = readFirstSheet(kFixtures + "/" + c.file);
        ASSERT_TRUE(r.ok()) << readErrorKey(r.error) << " " << r.detail;
        const Sheet& s = r.sheet;
        EXPECT_EQ(s.rowCount(), 5);
        EXPECT_EQ(s.columnCount(), 4);
        EXPECT_EQ(s.cellText(1, 1), "序号");
        EXPECT_EQ(s.cellName(1, 1), "B3");
        EXPECT_EQ(s.cellText(2, 1), "1");
        EXPECT_EQ(s.cellText(2, 3), "M123");
        EXPECT_EQ(s.cellText(3, 3), "2301");
        EXPECT_EQ(s.cellText(3, 4), "芯体批次号(纯数字)");
        EXPECT_EQ(s.cellText(4, 3), c.small);
        EXPECT_EQ(s.cellText(5, 3), c.fixed);
        EXPECT_EQ(s.cellText(5, 4), "");  // empty
        EXPECT_EQ(s.cellText(6, 1), "");  // below the used range
        EXPECT_EQ(s.cellText(1, 5), "");
        EXPECT_EQ(s.cellText(0, 1), "");
    }
}

// A CSV file has one encoding: a byte-order mark says UTF-8; without one it is GBK, as a spreadsheet
// application saves CSV in a Chinese locale, even where its bytes happen to be valid UTF-8 (韦伟 reads
// "Τΰ" as UTF-8); only a file that cannot be GBK and is UTF-8 throughout is UTF-8. Bytes that fit
// neither are never replaced: the file is refused naming the cell.
TEST(Reader, CsvEncodingIsDecidedOncePerFile) {
    const std::string weiwei = "\xCE\xA4\xCE\xB0", zhuanye = "\xD7\xA8\xD2\xB5\xCE\xAA\xD6\xAE";  // GBK
    const std::string qing = "\xC7\xE2";                                                          // 氢
    struct Case {
        const char* name;
        std::string bytes;
        const char* b1;  // cell B1 as read, or "" when refused
        const char* c2;
        const char* refusedCell;
    };
    const Case cases[] = {
        {"GBK that is valid UTF-8", "x," + weiwei + "\r\ny,z," + zhuanye + "\r\n", "韦伟", "专业为之", ""},
        {"GBK", "x,M-KA" + qing + "\r\ny,z," + weiwei + qing + "\r\n", "M-KA氢", "韦伟氢", ""},
        {"UTF-8 with a mark", "\xEF\xBB\xBFx,韦伟\r\ny,z,专业为之\r\n", "韦伟", "专业为之", ""},
        {"UTF-8 that cannot be GBK", "x,氢\ny,z,专业为之\n", "氢", "专业为之", ""},
        {"neither", "x,\"a,\nb\",ok\ny,z,M" + weiwei + "\xFF\n", "", "", "C2"},
        {"marked UTF-8 that is not", "\xEF\xBB\xBFx,\xC7\xE2\n", "", "", "B1"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(dir / "t.csv", c.bytes);
        const ReadResult r = readFirstSheet((dir / "t.csv").string());
        if (*c.refusedCell) {
            EXPECT_EQ(r.error, ReadError::BadText);
            EXPECT_EQ(r.cell, c.refusedCell);
            EXPECT_EQ(readErrorMessage(r, [](std::string_view key) { return std::string(key) + " %1"; }),
                      std::string("IDS_Workbook_BadText ") + c.refusedCell);
            continue;
        }
        ASSERT_TRUE(r.ok()) << readErrorKey(r.error);
        EXPECT_EQ(r.sheet.cellText(1, 2), c.b1);
        EXPECT_EQ(r.sheet.cellText(2, 3), c.c2);
    }
}

TEST(Reader, OffsetUsedRangeOfAWrittenWorkbook) {
    // The writer always starts at A1; a CSV shows the offset rule on a file the test makes itself.
    TempDir dir;
    writeBytes(dir / "offset.csv", "\n,,\n,,x,1\n,,,2\n");
    ReadResult r = readFirstSheet((dir / "offset.csv").string());
    ASSERT_TRUE(r.ok()) << r.detail;
    EXPECT_EQ(r.sheet.rowCount(), 2);
    EXPECT_EQ(r.sheet.columnCount(), 2);
    EXPECT_EQ(r.sheet.cellText(1, 1), "x");
    EXPECT_EQ(r.sheet.cellText(2, 2), "2");
    EXPECT_EQ(r.sheet.cellName(2, 2), "D4");
}

// A hand-made workbook with formatted empty cells (A2 filled, F7 bordered) around data in B3:C4: the
// used range runs from A2 to F7 as the spreadsheet application counts it, so the data sits at row 2,
// column 2, not at row 1, column 1.
TEST(Reader, FormattedEmptyCellsBelongToTheUsedRange) {
    ReadResult r = readFirstSheet(kFixtures + "/styled_empty.xlsx");
    ASSERT_TRUE(r.ok()) << readErrorKey(r.error) << " " << r.detail;
    const Sheet& s = r.sheet;
    EXPECT_EQ(s.rowCount(), 6);
    EXPECT_EQ(s.columnCount(), 6);
    EXPECT_EQ(s.cellText(1, 1), "");  // A2: formatted, no value
    EXPECT_EQ(s.cellText(2, 2), "ID");
    EXPECT_EQ(s.cellName(2, 2), "B3");
    EXPECT_EQ(s.cellText(2, 3), "10");
    EXPECT_EQ(s.cellText(3, 2), "5");
    EXPECT_EQ(s.cellText(3, 3), "1.247");
    EXPECT_EQ(s.cellText(6, 6), "");  // F7
}

TEST(Reader, XlsxNumbersShowUnderTheirFormat) {
    TempDir dir;
    auto path = (dir / "formats.xlsx").string();
    lxw_workbook* book = workbook_new(path.c_str());
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    auto format = [book](const char* code) {
        lxw_format* f = workbook_add_format(book);
        format_set_num_format(f, code);
        return f;
    };
    struct Case {
        double value;
        const char* code;  // nullptr: no format (General)
        const char* shown;
    };
    const Case cases[] = {
        {1.5, "0.00", "1.50"},        // a built-in id (2)
        {2.5, "0.000", "2.500"},      // a custom id of the file
        {0.1234, "0.00%", "12.34%"},  // built-in 10
        {12345, "0.00E+00", "1.23E+04"}, {0.000001234, nullptr, "1.234E-06"}, {2301, nullptr, "2301"},
    };
    for (int i = 0; i < 6; ++i)
        worksheet_write_number(sheet, static_cast<lxw_row_t>(i), 0, cases[i].value,
                               cases[i].code ? format(cases[i].code) : nullptr);
    worksheet_write_formula_num(sheet, 6, 0, "=A1*2", format("0.0"), 3.0);  // shows its cached result
    worksheet_write_boolean(sheet, 7, 0, 1, nullptr);
    ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);

    ReadResult r = readFirstSheet(path);
    ASSERT_TRUE(r.ok()) << r.detail;
    for (int i = 0; i < 6; ++i) EXPECT_EQ(r.sheet.cellText(i + 1, 1), cases[i].shown) << cases[i].value;
    EXPECT_EQ(r.sheet.cellText(7, 1), "3.0");
    EXPECT_EQ(r.sheet.cellText(8, 1), "TRUE");
}

std::string writtenWorkbook(const TempDir& dir) {
    TextList list{{{"a", 60}, {"b", 60}}, {{"1", "2"}, {"3", "4"}}};
    auto path = (dir / "base.xlsx").string();
    EXPECT_TRUE(writeList(list, path, OutputRule{true}).ok());
    return readBytes(path);
}

// Sets the "encrypted" flag of the first central directory entry.
std::string withEncryptedFlag(std::string zip) {
    size_t at = zip.find(std::string("PK\x01\x02", 4));
    zip[at + 8] = static_cast<char>(zip[at + 8] | 1);
    return zip;
}

// Sets both entry counts of the end record: a directory this walk would check only in part.
std::string withEntryCount(std::string zip, std::uint16_t count) {
    const size_t at = zip.rfind(std::string("PK\x05\x06", 4));
    for (const size_t field : {at + 8, at + 10}) {
        zip[field] = static_cast<char>(count & 0xFF);
        zip[field + 1] = static_cast<char>(count >> 8);
    }
    return zip;
}

TEST(Reader, BrokenFilesGiveAClearErrorAndNoSheet) {
    TempDir dir;
    const std::string xlsx = writtenWorkbook(dir);
    const std::string xls = readBytes(kFixtures + "/used_range.xls");
    std::string compound = xls.substr(0, 512);
    compound += std::string("E\0n\0c\0r\0y\0p\0t\0i\0o\0n\0I\0n\0f\0o\0", 28);
    struct Case {
        const char* name;
        std::string bytes;
        ReadError error;
    };
    const Case cases[] = {
        {"notes.xlsx", "plain text, not a workbook\n", ReadError::NotWorkbook},
        {"notes.txt", "a,b\n1,2\n", ReadError::NotWorkbook},  // CSV only by its name
        {"binary.csv", std::string("\x01\x00\x02\x00", 4), ReadError::NotWorkbook},
        {"empty.xlsx", "", ReadError::NotWorkbook},
        {"half.xlsx", xlsx.substr(0, xlsx.size() / 2), ReadError::Truncated},
        {"tail-cut.xlsx", xlsx.substr(0, xlsx.size() - 10), ReadError::Truncated},
        {"half.xls", xls.substr(0, 3000), ReadError::Truncated},
        {"locked.xlsx", withEncryptedFlag(xlsx), ReadError::Encrypted},
        {"count-short.xlsx", withEntryCount(xlsx, 1), ReadError::Damaged},
        {"office-locked.xlsx", compound, ReadError::Encrypted},
        {"locked.ods", readBytes(kFixtures + "/encrypted.ods"), ReadError::Encrypted},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(dir / c.name, c.bytes);
        ReadResult r = readFirstSheet((dir / c.name).string());
        EXPECT_EQ(r.error, c.error) << readErrorKey(r.error) << " " << r.detail;
        EXPECT_EQ(r.sheet.rowCount(), 0);
    }
    EXPECT_EQ(readFirstSheet((dir / "missing.xlsx").string()).error, ReadError::NotFound);
    EXPECT_EQ(readFirstSheet(dir.path()).error, ReadError::NotFound);
}

// Damaged packages kept from the mutation campaign and made by fixtures/damaged/make_damaged.py. Each
// once ended the program (an exception out of the import library) or was read as good data.
TEST(Reader, DamagedPackagesAreRefused) {
    struct Case {
        const char* file;
        ReadError error;
        const char* detail;  // a part of what the reader says
    };
    const Case cases[] = {
        {"content_types_cut.xlsx", ReadError::Damaged, "xml stream ended prematurely"},
        {"inflate_garbage.xlsx", ReadError::Damaged, "checksum: [Content_Types].xml"},
        {"crc_mismatch.xlsx", ReadError::Damaged, "checksum: xl/worksheets/sheet1.xml"},
        {"sheet_cut.xlsx", ReadError::Damaged, "cut short or not well-formed: xl/worksheets/sheet1.xml"},
        {"zip_seek.ods", ReadError::Truncated, "outside the file"},
        {"entry_count_zero.ods", ReadError::Damaged, "entry counts disagree"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ReadResult r = readFirstSheet(kFixtures + "/damaged/" + c.file);
        EXPECT_EQ(r.error, c.error) << readErrorKey(r.error) << " " << r.detail;
        EXPECT_NE(r.detail.find(c.detail), std::string::npos) << r.detail;
        EXPECT_EQ(r.sheet.rowCount(), 0);
    }
}

// The .xls library runs in a child process: what it reads comes back whole, and a crash, an abort or
// a hang in it is a damaged workbook, never the end of the caller.
TEST(Reader, ContainedLoadHandsBackTheSheetOrSaysDamaged) {
    const ReadResult read = loadInChild([] {
        ReadResult r;
        r.sheet.markUsed(1, 0);  // a formatted empty cell widens the range
        r.sheet.setCell(2, 1, "序号");
        r.sheet.setCell(40, 3, std::string(100000, 'x'));  // more than a pipe holds at once
        r.detail = "note";
        return r;
    });
    ASSERT_TRUE(read.ok()) << read.detail;
    EXPECT_EQ(read.detail, "note");
    EXPECT_EQ(read.sheet.rowCount(), 40);
    EXPECT_EQ(read.sheet.columnCount(), 4);
    EXPECT_EQ(read.sheet.cellText(2, 2), "序号");
    EXPECT_EQ(read.sheet.cellName(2, 2), "B3");
    EXPECT_EQ(read.sheet.cellText(40, 4).size(), 100000u);

    const ReadResult refused = loadInChild([] {
        ReadResult r;
        r.error = ReadError::Encrypted;
        return r;
    });
    EXPECT_EQ(refused.error, ReadError::Encrypted);

    const std::function<ReadResult()> dying[] = {
        [] {
            std::raise(SIGSEGV);
            return ReadResult{};
        },
        []() -> ReadResult { std::abort(); },
        []() -> ReadResult { throw std::runtime_error("escaped"); },
        [] {
            std::this_thread::sleep_for(std::chrono::seconds(30));
            return ReadResult{};
        },
    };
    for (const auto& load : dying) {
        const ReadResult r = loadInChild(load, std::chrono::milliseconds(1500));
        EXPECT_EQ(r.error, ReadError::Damaged) << r.detail;
        EXPECT_EQ(r.sheet.rowCount(), 0);
    }
}

// Found by the fuzzer: on this file the .xls library hands iconv a pointer before its own stack buffer
// (AddressSanitizer sees it). The library runs in a child process, so the caller gets an answer either way.
TEST(Reader, AnXlsFileThatMisleadsTheLibraryLeavesTheCallerStanding) {
    const ReadResult r = readFirstSheet(kFixtures + "/damaged/iconv_underflow.xls");
    EXPECT_TRUE(r.ok() || r.error == ReadError::Damaged) << readErrorKey(r.error) << " " << r.detail;
}

TEST(Reader, LimitsBoundWhatIsRead) {
    TempDir dir;
    const std::string xlsx = writtenWorkbook(dir);
    writeBytes(dir / "w.xlsx", xlsx);
    writeBytes(dir / "far.csv", std::string(40, '\n') + "x\n");
    writeBytes(dir / "wide.csv", std::string(40, ',') + "x\n");
    struct Case {
        const char* name;
        ReadLimits limits;
    };
    ReadLimits tinyFile, tinyUnpacked, fewRows, fewColumns, fewCells;
    tinyFile.maxFileBytes = 100;
    tinyUnpacked.maxUnpackedBytes = 1000;  // a decompression bomb looks like this
    fewRows.maxRows = 40;
    fewColumns.maxColumns = 40;
    fewCells.maxCells = 3;
    const Case cases[] = {
        {"w.xlsx", tinyFile},     {"w.xlsx", tinyUnpacked}, {"far.csv", fewRows},
        {"wide.csv", fewColumns}, {"w.xlsx", fewCells},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readFirstSheet((dir / c.name).string(), c.limits).error, ReadError::TooLarge);
    }
    EXPECT_TRUE(readFirstSheet((dir / "far.csv").string()).ok());
}

}  // namespace
}  // namespace talvex::workbook
