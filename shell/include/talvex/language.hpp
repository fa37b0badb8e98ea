// Language lookup: key -> text of the active table (UTF-8). Implemented in the shell layer.
#pragma once

#include <string>
#include <string_view>

namespace talvex {

enum class Language { English, Chinese };

// Text of key in the active language; "Not found" for an unknown key. Keys compare without regard
// to case; a literal "\n" in the table becomes a line break. Thread-safe.
std::string GetText(std::string_view key);

Language activeLanguage();

}  // namespace talvex
