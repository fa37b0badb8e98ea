// Internal: the format-specific halves of the reader and the container check that picks one.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "talvex/workbook/reader.hpp"

namespace talvex::workbook {

enum class SourceFormat { Unknown, Xlsx, Ods, Xls, Csv };

struct ContainerCheck {
    SourceFormat format = SourceFormat::Unknown;
    ReadError error = ReadError::None;
    std::string detail;
};

// Looks at the bytes only (zip central directory, compound-file header); csvName says whether the
// file's name ends in .csv, the only way to tell a CSV text from any other text.
ContainerCheck checkContainer(std::string_view bytes, bool csvName, const ReadLimits& limits);

ReadResult loadWithOrcus(std::string_view bytes, SourceFormat format, const ReadLimits& limits);
ReadResult loadXls(const std::string& path, std::string_view bytes, const ReadLimits& limits);

// Runs load in a child process and returns what it read; a child that crashes, aborts or runs past
// timeLimit gives ReadError::Damaged.
ReadResult loadInChild(const std::function<ReadResult()>& load,
                       std::chrono::milliseconds timeLimit = std::chrono::seconds(30));

}  // namespace talvex::workbook
