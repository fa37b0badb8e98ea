// .xlsx and .ods packages, from the container check through the package repairs (relationship targets,
// inline strings, cut parts) to the import library. What must hold besides not crashing: the
// sheet checks of sheet_check.hpp; the package rebuilt with relative targets needs no second repair and
// is still taken for an .xlsx package.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "loaders.hpp"
#include "sheet_check.hpp"
#include "xlsx_package.hpp"

using namespace talvex::workbook;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const ReadLimits limits = fuzzLimits();
    const ContainerCheck c = checkContainer(bytes, false, limits);
    if (c.error != ReadError::None || (c.format != SourceFormat::Xlsx && c.format != SourceFormat::Ods))
        return 0;
    if (c.format == SourceFormat::Xlsx) {
        if (const auto relative = withRelativeTargets(bytes)) {
            FUZZ_CHECK(!withRelativeTargets(*relative).has_value());
            const ContainerCheck again = checkContainer(*relative, false, limits);
            FUZZ_CHECK(again.error == ReadError::None && again.format == SourceFormat::Xlsx);
        }
    }
    checkSheet(loadWithOrcus(bytes, c.format, limits), limits);
    return 0;
}
