// Entry point of the reader: loads the file within the size limit, classifies it, hands it on.
#include "talvex/workbook/reader.hpp"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "csv_text.hpp"
#include "loaders.hpp"

namespace talvex::workbook {
namespace {

bool endsWithCsv(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".csv";
}

}  // namespace

ReadResult readFirstSheet(const std::string& path, const ReadLimits& limits) {
    ReadResult result;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        result.error = ReadError::NotFound;
        return result;
    }
    auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        result.error = ReadError::NotFound;
        return result;
    }
    if (size > limits.maxFileBytes) {
        result.error = ReadError::TooLarge;
        return result;
    }
    std::string bytes(size, '\0');
    std::ifstream in(path, std::ios::binary);
    if (!in || !in.read(bytes.data(), static_cast<std::streamsize>(size))) {
        result.error = ReadError::NotFound;
        return result;
    }
    ContainerCheck c = checkContainer(bytes, endsWithCsv(path), limits);
    if (c.error != ReadError::None) {
        result.error = c.error;
        result.detail = c.detail;
        return result;
    }
    if (c.format == SourceFormat::Xls) return loadInChild([&] { return loadXls(path, bytes, limits); });
    if (c.format == SourceFormat::Csv) {
        CsvText text = decodeCsvText(bytes);
        if (!text.utf8) {
            result.error = ReadError::BadText;
            result.cell = text.badCell;
            return result;
        }
        bytes = std::move(*text.utf8);
        normaliseCsvLineEnds(bytes);
    }
    return loadWithOrcus(bytes, c.format, limits);
}

const char* readErrorKey(ReadError e) {
    switch (e) {
        case ReadError::None:
            return "IDS_Workbook_Read";
        case ReadError::NotFound:
            return "IDS_Workbook_NotFound";
        case ReadError::NotWorkbook:
            return "IDS_Workbook_NotWorkbook";
        case ReadError::Encrypted:
            return "IDS_Workbook_Encrypted";
        case ReadError::Truncated:
            return "IDS_Workbook_Truncated";
        case ReadError::TooLarge:
            return "IDS_Workbook_TooLarge";
        case ReadError::Damaged:
            return "IDS_Workbook_Damaged";
        case ReadError::BadText:
            return "IDS_Workbook_BadText";
    }
    return "IDS_Workbook_Damaged";
}

std::string readErrorMessage(const ReadResult& result,
                             const std::function<std::string(std::string_view)>& text) {
    std::string message = text(readErrorKey(result.error));
    if (const std::size_t at = message.find("%1"); at != std::string::npos)
        message.replace(at, 2, result.cell);
    return message;
}

}  // namespace talvex::workbook
