// The compiled-in language tables, INI text in UTF-8 with a [Setting] and a [String] section.
#pragma once

#include <string_view>

namespace talvex::tables {
extern const std::string_view kEnglish;
extern const std::string_view kChinese;
}  // namespace talvex::tables
