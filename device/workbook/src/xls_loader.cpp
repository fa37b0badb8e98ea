// The first worksheet of an .xls (BIFF) file through libfreexl. The library hands over values, not
// number formats, so numbers show as General; dates come as ISO texts.
#include <freexl.h>

#include <cstdio>

#include "loaders.hpp"
#include "talvex/workbook/display_text.hpp"

namespace talvex::workbook {
namespace {

class Handle {
  public:
    ~Handle() {
        if (h_) freexl_close(h_);
    }
    const void** out() { return &h_; }
    const void* get() const { return h_; }

  private:
    const void* h_ = nullptr;
};

ReadError openError(int rc, bool sizeIsWholeSectors) {
    switch (rc) {
        case FREEXL_FILE_NOT_FOUND:
            return ReadError::NotFound;
        case FREEXL_INSUFFICIENT_MEMORY:
            return ReadError::TooLarge;
        case FREEXL_INVALID_CFBF_HEADER:
        case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
            return ReadError::NotWorkbook;
        default:
            return sizeIsWholeSectors ? ReadError::Damaged : ReadError::Truncated;
    }
}

std::string cellText(const FreeXL_CellValue& v) {
    switch (v.type) {
        case FREEXL_CELL_INT:
            return std::to_string(v.value.int_value);
        case FREEXL_CELL_DOUBLE:
            return generalText(v.value.double_value);
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME:
            return v.value.text_value ? v.value.text_value : "";
        default:
            return {};
    }
}

}  // namespace

ReadResult loadXls(const std::string& path, std::string_view bytes, const ReadLimits& limits) {
    ReadResult result;
    // A compound file is whole sectors (512 or 4096 bytes, announced at offset 30) long; anything
    // else was cut short, which tells a truncated download from a damaged file.
    unsigned shift = bytes.size() > 31 ? static_cast<unsigned char>(bytes[30]) : 9;
    bool wholeSectors = shift >= 9 && shift <= 12 && bytes.size() % (1u << shift) == 0;

    Handle info;
    int rc = freexl_open_info(path.c_str(), info.out());
    unsigned int password = 0;
    if (rc == FREEXL_OK && freexl_get_info(info.get(), FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK &&
        password == FREEXL_BIFF_OBFUSCATED) {
        result.error = ReadError::Encrypted;
        return result;
    }
    Handle xls;
    rc = freexl_open(path.c_str(), xls.out());
    if (rc != FREEXL_OK) {
        result.error = openError(rc, wholeSectors);
        result.detail = "freexl error " + std::to_string(rc);
        return result;
    }
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_select_active_worksheet(xls.get(), 0) != FREEXL_OK ||
        freexl_worksheet_dimensions(xls.get(), &rows, &columns) != FREEXL_OK) {
        result.error = ReadError::Damaged;
        result.detail = "no worksheet";
        return result;
    }
    std::uint64_t cells = 0;
    for (unsigned int r = 0; r < rows; ++r) {
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue v{};
            if (freexl_get_cell_value(xls.get(), r, c, &v) != FREEXL_OK) continue;
            std::string text = cellText(v);
            if (text.empty()) continue;
            if (r >= static_cast<unsigned>(limits.maxRows) || c >= limits.maxColumns ||
                ++cells > limits.maxCells) {
                result = {};
                result.error = ReadError::TooLarge;
                return result;
            }
            result.sheet.setCell(static_cast<int>(r), c, std::move(text));
        }
    }
    return result;
}

}  // namespace talvex::workbook
