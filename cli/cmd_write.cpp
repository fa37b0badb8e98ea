// talvex-cli write (function 6, one register) and write-multi (function 16, consecutive registers).
// --dry-run checks the request and prints it without opening the port.
#include <cstdio>
#include <string>
#include <vector>

#include "cli_text.hpp"
#include "command.hpp"
#include "command_start.hpp"
#include "port_option.hpp"
#include "talvex/language.hpp"
#include "talvex/rtu.h"

namespace talvex::cli {
namespace {

struct WriteRequest {
    int id = 0;
    long addr = 0;
    std::vector<int> values;
};

// --id (1..247) and --addr (0..65535), both required.
bool slaveAndAddress(const Args& args, WriteRequest& request, std::string& error) {
    const auto id = sensorIdOption(args, "id", error);
    if (!id) return false;
    request.id = *id;
    if (!args.has("addr")) {
        error = cliText("IDS_Cli_OptionRequired", {"addr"});
        return false;
    }
    const auto addr = args.number("addr", error);
    if (!addr) return false;
    if (*addr < 0 || *addr > 65535) {
        error = GetText("IDS_Cli_BadAddress");
        return false;
    }
    request.addr = *addr;
    return true;
}

bool registerValues(const std::vector<std::string>& texts, std::vector<int>& values, std::string& error) {
    for (const auto& t : texts) {
        const auto v = registerValue(t);
        if (!v) {
            error = cliText("IDS_Cli_Write_BadValue", {t});
            return false;
        }
        values.push_back(*v);
    }
    return true;
}

// Prints the request (sent or, with --dry-run, only checked) when --json or --dry-run asks for it.
void report(const Args& args, int function, const WriteRequest& r) {
    const bool dry = args.has("dry-run");
    if (args.has("json")) {
        std::printf("{\"id\":%d,\"function\":%d,\"address\":%ld,", r.id, function, r.addr);
        if (function == 6) {
            std::printf("\"value\":%d", r.values[0]);
        } else {
            std::printf("\"values\":[");
            for (std::size_t i = 0; i < r.values.size(); ++i) std::printf("%s%d", i ? "," : "", r.values[i]);
            std::printf("]");
        }
        std::printf("%s}\n", dry ? ",\"dryRun\":true" : "");
    } else if (dry) {
        std::printf("would write to sensor %d, function %d:", r.id, function);
        for (std::size_t i = 0; i < r.values.size(); ++i)
            std::printf(" %ld=%d", r.addr + static_cast<long>(i), r.values[i]);
        std::printf("\n");
    }
}

const OptionTable kWriteTable{
    {kPortOption, kBaudOption, {"id"}, {"addr"}, {"value"}, kJsonOption, kDryRunOption}, 0, 1};
const OptionTable kWriteMultiTable{
    {kPortOption, kBaudOption, {"id"}, {"addr"}, {"values"}, kJsonOption, kDryRunOption}, 0, 123};

int runWrite(const std::vector<std::string>& words) {
    constexpr const char* kName = "write";
    int exitCode = 0;
    const auto args = startCommand(kName, words, kWriteTable, exitCode);
    if (!args) return exitCode;
    std::string error;
    WriteRequest request;
    if (!slaveAndAddress(*args, request, error)) return fail(kName, error, kExitUsage);
    std::optional<std::string> text = args->value("value");
    if (text.has_value() == !args->positional().empty())
        return fail(kName, GetText("IDS_Cli_Write_OneValue"), kExitUsage);
    if (!text) text = args->positional()[0];
    if (!registerValues({*text}, request.values, error)) return fail(kName, error, kExitUsage);

    if (!args->has("dry-run")) {
        PortSession port(*args);
        if (!port.ok()) return fail(kName, port.error(), port.exitCode());
        const int result =
            RTUWriteSingleRegister(request.id, static_cast<int>(request.addr), request.values[0]);
        if ((result & 0xFFFF) != RTU_OK) return fail(kName, linkFailureText(result), linkFailureExit(result));
    }
    report(*args, 6, request);
    return kExitOk;
}

int runWriteMulti(const std::vector<std::string>& words) {
    constexpr const char* kName = "write-multi";
    int exitCode = 0;
    const auto args = startCommand(kName, words, kWriteMultiTable, exitCode);
    if (!args) return exitCode;
    std::string error;
    WriteRequest request;
    if (!slaveAndAddress(*args, request, error)) return fail(kName, error, kExitUsage);
    std::vector<std::string> texts = args->positional();
    if (const auto list = args->value("values")) {
        if (!texts.empty()) return fail(kName, GetText("IDS_Cli_Write_ValuesTwice"), kExitUsage);
        if (!splitList(*list, texts, error)) return fail(kName, "--values: " + error, kExitUsage);
    }
    if (texts.empty() || texts.size() > 123)
        return fail(kName, GetText("IDS_Cli_Write_ValueCount"), kExitUsage);
    if (request.addr + static_cast<long>(texts.size()) > 65536)
        return fail(kName, GetText("IDS_Cli_Write_PastEnd"), kExitUsage);
    if (!registerValues(texts, request.values, error)) return fail(kName, error, kExitUsage);

    if (!args->has("dry-run")) {
        std::vector<unsigned char> bytes;
        for (const int v : request.values) {
            bytes.push_back(static_cast<unsigned char>(v >> 8));
            bytes.push_back(static_cast<unsigned char>(v & 0xFF));
        }
        PortSession port(*args);
        if (!port.ok()) return fail(kName, port.error(), port.exitCode());
        const int result = RTUWriteMultipleRegisters(request.id, static_cast<int>(request.addr),
                                                     static_cast<int>(request.values.size()), bytes.data());
        if ((result & 0xFFFF) != RTU_OK) return fail(kName, linkFailureText(result), linkFailureExit(result));
    }
    report(*args, 16, request);
    return kExitOk;
}

const CommandRegistrar regWrite{
    {"write",
     std::string("write ") + kPortUsage +
         " --id N --addr A (--value V | V) [--dry-run] [--json]   write one register (fn 6)",
     runWrite}};
const CommandRegistrar regWriteMulti{
    {"write-multi",
     std::string("write-multi ") + kPortUsage +
         " --id N --addr A (V1 V2 ... | --values V1,V2,...) [--dry-run] [--json]   write registers (fn 16)",
     runWriteMulti}};

}  // namespace
}  // namespace talvex::cli
