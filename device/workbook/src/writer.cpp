// The production list as an .xlsx file. libxlsxwriter writes the whole file at close; it goes to a
// unique temporary name in the target's folder and replaces the target by a rename (atomic on the
// same file system), so neither a failure nor a crash half-way leaves a damaged or missing workbook.
#include "talvex/workbook/writer.hpp"

#include <xlsxwriter.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace talvex::workbook {
namespace {

constexpr int kMaxColumns = 26;  // header cells A1..Z1
constexpr double kHeaderRowPoints = 50;
constexpr int kPixelsPerCharacter = 6;

// A name beside the target that no other file has; the file is created empty to reserve it.
std::filesystem::path reserveTemporary(const std::filesystem::path& target, std::error_code& ec) {
    std::random_device rd;
    std::mt19937_64 rng(rd());
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".%08llx.part",
                      static_cast<unsigned long long>(rng() & 0xFFFFFFFFull));
        std::filesystem::path tmp = target;
        tmp += suffix;
        if (std::FILE* f = std::fopen(tmp.c_str(), "wx")) {
            std::fclose(f);
            return tmp;
        }
        if (errno != EEXIST) break;
    }
    ec = std::error_code(errno, std::generic_category());
    return {};
}

WriteResult failure(WriteError e, std::string detail) {
    return {e, std::move(detail)};
}

}  // namespace

WriteResult writeList(const TextList& list, const std::string& path) {
    const int columns = static_cast<int>(list.columns.size());
    if (columns == 0 || columns > kMaxColumns) return failure(WriteError::BadList, "column count");
    for (const auto& row : list.rows)
        if (static_cast<int>(row.size()) > columns)
            return failure(WriteError::BadList, "row longer than header");

    std::filesystem::path target(path);
    std::error_code ec;
    std::filesystem::path tmp = reserveTemporary(target, ec);
    if (tmp.empty()) return failure(WriteError::CannotCreate, ec.message());

    lxw_workbook* book = workbook_new(tmp.c_str());
    if (!book) {
        std::filesystem::remove(tmp, ec);
        return failure(WriteError::CannotCreate, "workbook_new");
    }
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    lxw_format* header = workbook_add_format(book);
    format_set_align(header, LXW_ALIGN_VERTICAL_CENTER);

    lxw_error err = LXW_NO_ERROR;
    auto keep = [&err](lxw_error e) {
        if (err == LXW_NO_ERROR) err = e;
    };
    keep(worksheet_set_row(sheet, 0, kHeaderRowPoints, nullptr));
    for (int c = 0; c < columns; ++c) {
        const auto& col = list.columns[c];
        keep(worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), col.header.c_str(), header));
        keep(worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                  col.widthPixels / kPixelsPerCharacter, nullptr));
    }
    for (size_t r = 0; r < list.rows.size(); ++r) {
        const auto& row = list.rows[r];
        for (size_t c = 0; c < row.size(); ++c)
            if (!row[c].empty())
                keep(worksheet_write_string(sheet, static_cast<lxw_row_t>(r + 1), static_cast<lxw_col_t>(c),
                                            row[c].c_str(), nullptr));
    }
    lxw_error closed = workbook_close(book);  // writes the file and frees the workbook
    if (err == LXW_NO_ERROR) err = closed;
    if (err != LXW_NO_ERROR) {
        std::filesystem::remove(tmp, ec);
        return failure(WriteError::WriteFailed, lxw_strerror(err));
    }
    // The data must be on disk before the name points at it, or a power cut could leave an empty file.
#ifndef _WIN32
    if (std::FILE* f = std::fopen(tmp.c_str(), "rb")) {
        fsync(fileno(f));
        std::fclose(f);
    }
#endif
    std::filesystem::rename(tmp, target, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(tmp, ignored);
        return failure(WriteError::CannotReplace, ec.message());
    }
    return {};
}

const char* writeErrorKey(WriteError e) {
    switch (e) {
        case WriteError::None:
            return "IDS_Workbook_Saved";
        case WriteError::BadList:
            return "IDS_Workbook_BadList";
        case WriteError::CannotCreate:
            return "IDS_Workbook_CannotCreate";
        case WriteError::WriteFailed:
            return "IDS_Workbook_WriteFailed";
        case WriteError::CannotReplace:
            return "IDS_Workbook_CannotReplace";
    }
    return "IDS_Workbook_WriteFailed";
}

}  // namespace talvex::workbook
