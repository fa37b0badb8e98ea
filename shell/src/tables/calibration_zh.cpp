// Chinese texts of the calibration pages and operations; appended to the main Chinese table.
#include "../language_tables.hpp"

namespace talvex::tables {

const std::string_view kCalibrationChinese = R"TABLE([String]
)TABLE";

}  // namespace talvex::tables
