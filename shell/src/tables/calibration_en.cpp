// English texts of the calibration pages and operations; appended to the main English table.
#include "../language_tables.hpp"

namespace talvex::tables {

const std::string_view kCalibrationEnglish = R"TABLE([String]
)TABLE";

}  // namespace talvex::tables
