// .xls files through the format library, in this process (the reader runs it in a child process to
// survive the library's own faults; here they are meant to show). What must hold besides not
// crashing: the sheet checks of sheet_check.hpp.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "loaders.hpp"
#include "memory_file.hpp"
#include "sheet_check.hpp"

using namespace talvex::workbook;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemoryFile memory;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const ReadLimits limits = fuzzLimits();
    const ContainerCheck c = checkContainer(bytes, false, limits);
    if (c.error != ReadError::None || c.format != SourceFormat::Xls) return 0;
    checkSheet(loadXls(memory.hold(data, size), bytes, limits), limits);
    return 0;
}
