// talvex-cli write (function 6, one register) and write-multi (function 16, consecutive registers).
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "command.hpp"
#include "port_option.hpp"
#include "talvex/rtu.h"

namespace talvex::cli {
namespace {

int fail(const char* what, const std::string& text, int code) {
    std::fprintf(stderr, "talvex-cli %s: %s\n", what, text.c_str());
    return code;
}

int linkFailure(const char* what, int result) {
    char text[160];
    std::snprintf(text, sizeof text, "%s (0x%04X)", RTUResultText(result), result & 0xFFFF);
    return fail(what, text, 1);
}

// Common options: --id (1..247) and --addr (0..65535).
bool slaveAndAddress(const Args& args, long& id, long& addr, std::string& error) {
    id = args.number("id", error).value_or(-1);
    addr = args.number("addr", error).value_or(-1);
    if (!error.empty()) return false;
    if (id < 1 || id > 247)
        error = "--id must be a slave address 1..247";
    else if (addr < 0 || addr > 65535)
        error = "--addr must be given, 0..65535";
    return error.empty();
}

int runWrite(const std::vector<std::string>& words) {
    std::string error;
    const auto args = Args::parseLenient(words, {"json"}, error);
    if (!args) return fail("write", error, 2);
    long id = 0, addr = 0;
    if (!slaveAndAddress(*args, id, addr, error)) return fail("write", error, 2);
    std::optional<std::string> text = args->value("value");
    if (!text && args->positional().size() == 1) text = args->positional()[0];
    if (!text || (args->has("value") && !args->positional().empty()) || args->positional().size() > 1)
        return fail("write", "give exactly one value (--value V or a single word)", 2);
    const auto value = registerValue(*text);
    if (!value) return fail("write", "value \"" + *text + "\" is not a 16-bit number", 2);

    PortSession port(*args);
    if (!port.ok()) return fail("write", port.error(), port.exitCode());
    const int result = RTUWriteSingleRegister(static_cast<int>(id), static_cast<int>(addr), *value);
    if ((result & 0xFFFF) != RTU_OK) return linkFailure("write", result);
    if (args->has("json"))
        std::printf("{\"id\":%ld,\"function\":6,\"address\":%ld,\"value\":%d}\n", id, addr, *value);
    return 0;
}

int runWriteMulti(const std::vector<std::string>& words) {
    std::string error;
    const auto args = Args::parseLenient(words, {"json"}, error);
    if (!args) return fail("write-multi", error, 2);
    long id = 0, addr = 0;
    if (!slaveAndAddress(*args, id, addr, error)) return fail("write-multi", error, 2);
    std::vector<std::string> texts = args->positional();
    if (const auto list = args->value("values")) {
        if (!texts.empty()) return fail("write-multi", "give the values either as words or with --values", 2);
        std::stringstream in(*list);
        for (std::string item; std::getline(in, item, ',');) texts.push_back(item);
    }
    if (texts.empty() || texts.size() > 123) return fail("write-multi", "give 1 to 123 values", 2);
    if (addr + static_cast<long>(texts.size()) > 65536)
        return fail("write-multi", "the values run past register 65535", 2);
    std::vector<unsigned char> bytes;
    std::vector<int> values;
    for (const auto& t : texts) {
        const auto v = registerValue(t);
        if (!v) return fail("write-multi", "value \"" + t + "\" is not a 16-bit number", 2);
        values.push_back(*v);
        bytes.push_back(static_cast<unsigned char>(*v >> 8));
        bytes.push_back(static_cast<unsigned char>(*v & 0xFF));
    }

    PortSession port(*args);
    if (!port.ok()) return fail("write-multi", port.error(), port.exitCode());
    const int result = RTUWriteMultipleRegisters(static_cast<int>(id), static_cast<int>(addr),
                                                 static_cast<int>(values.size()), bytes.data());
    if ((result & 0xFFFF) != RTU_OK) return linkFailure("write-multi", result);
    if (args->has("json")) {
        std::printf("{\"id\":%ld,\"function\":16,\"address\":%ld,\"values\":[", id, addr);
        for (std::size_t i = 0; i < values.size(); ++i) std::printf("%s%d", i ? "," : "", values[i]);
        std::printf("]}\n");
    }
    return 0;
}

const CommandRegistrar regWrite{{"write",
                                 std::string("write ") + kPortUsage +
                                     " --id N --addr A (--value V | V) [--json]   write one register (fn 6)",
                                 runWrite}};
const CommandRegistrar regWriteMulti{
    {"write-multi",
     std::string("write-multi ") + kPortUsage +
         " --id N --addr A (V1 V2 ... | --values V1,V2,...) [--json]   write registers (fn 16)",
     runWriteMulti}};

}  // namespace
}  // namespace talvex::cli
