// Chinese texts of the diagnostics pages and operations; appended to the main Chinese table.
#include "../language_tables.hpp"

namespace talvex::tables {

const std::string_view kDiagnosticsChinese = R"TABLE([String]
)TABLE";

}  // namespace talvex::tables
