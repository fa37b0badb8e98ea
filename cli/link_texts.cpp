// The link library speaks English only (other programs load it); the command line says the same in the
// active language, key by key.
#include <iterator>

#include "cli_text.hpp"
#include "talvex/language.hpp"
#include "talvex/port_open_text.hpp"
#include "talvex/rtu.h"

namespace talvex::cli {
namespace {

struct ResultKey {
    int code;
    const char* key;
};

constexpr ResultKey kResultKeys[] = {
    {RTU_OK, "IDS_Cli_Link_Ok"},
    {RTU_ERR_SLAVE, "IDS_Cli_Link_Slave"},
    {RTU_ERR_FUNCTION, "IDS_Cli_Link_Function"},
    {RTU_ERR_QUANTITY, "IDS_Cli_Link_Quantity"},
    {RTU_ERR_COIL_VALUE, "IDS_Cli_Link_CoilValue"},
    {RTU_ERR_BUFFER, "IDS_Cli_Link_Buffer"},
    {RTU_ERR_CRC, "IDS_Cli_Link_Crc"},
    {RTU_ERR_SLAVE_ECHO, "IDS_Cli_Link_SlaveEcho"},
    {RTU_ERR_FUNCTION_ECHO, "IDS_Cli_Link_FunctionEcho"},
    {RTU_ERR_WRITE_ECHO, "IDS_Cli_Link_WriteEcho"},
    {RTU_ERR_BYTE_COUNT, "IDS_Cli_Link_ByteCount"},
    {RTU_ERR_SEND, "IDS_Cli_Link_Send"},
    {RTU_ERR_TIMEOUT, "IDS_Cli_Link_Timeout"},
};

// Modbus exception codes with a name; others are told by number.
constexpr ResultKey kExceptionKeys[] = {
    {1, "IDS_Cli_Exception_1"},   {2, "IDS_Cli_Exception_2"}, {3, "IDS_Cli_Exception_3"},
    {4, "IDS_Cli_Exception_4"},   {5, "IDS_Cli_Exception_5"}, {6, "IDS_Cli_Exception_6"},
    {7, "IDS_Cli_Exception_7"},   {8, "IDS_Cli_Exception_8"}, {10, "IDS_Cli_Exception_10"},
    {11, "IDS_Cli_Exception_11"},
};

const char* keyOf(const ResultKey* begin, const ResultKey* end, int code) {
    for (const ResultKey* k = begin; k != end; ++k)
        if (k->code == code) return k->key;
    return nullptr;
}

}  // namespace

std::string linkResultText(int result) {
    const int code = result & 0xFFFF;
    if (const char* key = keyOf(std::begin(kResultKeys), std::end(kResultKeys), code)) return GetText(key);
    if (code & RTU_EXCEPTION) {
        const int exception = code & 0xFF;
        if (const char* key = keyOf(std::begin(kExceptionKeys), std::end(kExceptionKeys), exception))
            return GetText(key);
        return cliText("IDS_Cli_Exception", {std::to_string(exception)});
    }
    return GetText("IDS_Cli_Link_Unknown");
}

std::string portOpenFailureText(PortOpenFailure reason, std::string_view device, std::string_view holder) {
    if (reason == PortOpenFailure::None) return {};
    // The window's words for the first half.
    return GetText("IDD_Message_SPNF") + ": " + portOpenReason(reason, device, holder);
}

}  // namespace talvex::cli
