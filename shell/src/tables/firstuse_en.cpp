// English texts of the firstuse pages and operations; appended to the main English table.
#include "../language_tables.hpp"

namespace talvex::tables {

const std::string_view kFirstuseEnglish = R"TABLE([String]
)TABLE";

}  // namespace talvex::tables
