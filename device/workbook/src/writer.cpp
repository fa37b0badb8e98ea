// The production list as an .xlsx file. libxlsxwriter writes the whole file at close; it goes to the
// output-file rule's temporary file in the target's folder, renamed over the target (atomic on the
// same file system), so neither a failure nor a crash half-way leaves a damaged or missing workbook.
#include "talvex/workbook/writer.hpp"

#include <xlsxwriter.h>

#include <system_error>

namespace talvex::workbook {
namespace {

constexpr int kMaxColumns = 26;  // header cells A1..Z1
constexpr double kHeaderRowPoints = 50;
constexpr int kPixelsPerCharacter = 6;

WriteResult failure(WriteError e, std::string detail) {
    return {e, std::move(detail)};
}

WriteResult refused(OutputRefusal why) {
    return {WriteError::Refused, {}, why};
}

std::string reason(int err) {
    return std::error_code(err, std::generic_category()).message();
}

}  // namespace

WriteResult writeList(const TextList& list, const std::string& path, const OutputRule& rule) {
    const int columns = static_cast<int>(list.columns.size());
    if (columns == 0 || columns > kMaxColumns) return failure(WriteError::BadList, "column count");
    for (const auto& row : list.rows)
        if (static_cast<int>(row.size()) > columns)
            return failure(WriteError::BadList, "row longer than header");

    OutputFile out;
    if (!out.open(path, rule))
        return out.refusal() != OutputRefusal::None ? refused(out.refusal())
                                                    : failure(WriteError::CannotCreate, reason(out.error()));

    // The library writes the whole file by name at close; the name is the rule's temporary file.
    lxw_workbook* book = workbook_new(out.temporaryPath().c_str());
    if (!book) return failure(WriteError::CannotCreate, "workbook_new");
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
    if (err != LXW_NO_ERROR) return failure(WriteError::WriteFailed, lxw_strerror(err));
    // Flushed to disk before the name points at it, or a power cut could leave an empty file.
    if (!out.commit())
        return out.refusal() != OutputRefusal::None ? refused(out.refusal())
                                                    : failure(WriteError::CannotReplace, reason(out.error()));
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
        case WriteError::Refused:  // the result's refusal has the text
            return "IDS_Workbook_CannotCreate";
    }
    return "IDS_Workbook_WriteFailed";
}

}  // namespace talvex::workbook
