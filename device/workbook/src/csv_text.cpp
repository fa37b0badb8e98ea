#include "csv_text.hpp"

#include "talvex/text_codec.hpp"
#include "talvex/workbook/sheet.hpp"

namespace talvex::workbook {
namespace {

constexpr std::size_t npos = static_cast<std::size_t>(-1);

// The cell that holds byte `offset`: fields end at commas and rows at line ends outside double
// quotes. Delimiters are ASCII and no GBK or UTF-8 multi-byte sequence contains one.
std::string cellAt(std::string_view bytes, std::size_t offset) {
    int row = 0, column = 0;
    bool quoted = false;
    for (std::size_t i = 0; i < offset && i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == ',') {
            ++column;
        } else if (!quoted && (c == '\n' || c == '\r')) {
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            ++row;
            column = 0;
        }
    }
    return columnLetters(column) + std::to_string(row + 1);
}

}  // namespace

CsvText decodeCsvText(std::string_view bytes) {
    CsvText out;
    if (bytes.starts_with(kUtf8Bom)) {
        bytes.remove_prefix(kUtf8Bom.size());
        const std::size_t bad = firstInvalidUtf8(bytes);
        if (bad == npos)
            out.utf8 = std::string(bytes);
        else
            out.badCell = cellAt(bytes, bad);
        return out;
    }
    std::size_t bad = 0;
    out.utf8 = decodeGbkStrict(bytes, &bad);
    if (!out.utf8 && isValidUtf8(bytes)) out.utf8 = std::string(bytes);
    if (!out.utf8) out.badCell = cellAt(bytes, bad);
    return out;
}

void normaliseCsvLineEnds(std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    text.swap(out);
}

}  // namespace talvex::workbook
