// talvex-cli coefficients: a coefficient write with commit through register 253. The values come in
// the order of the commit code's staged registers and are encoded (and refused) as that code says.
#include <cstdio>
#include <string>
#include <vector>

#include "cli_text.hpp"
#include "command.hpp"
#include "command_start.hpp"
#include "device_cli.hpp"
#include "port_option.hpp"
#include "talvex/language.hpp"
#include "talvex/rtu_register_io.hpp"

namespace talvex::cli {
namespace {

constexpr const char* kName = "coefficients";

std::string codeList() {
    std::string list;
    for (const sensor::CommitCode& c : sensor::kCommitCodes)
        list += (list.empty() ? "" : ", ") + std::to_string(c.code);
    return list;
}

int runCoefficients(const std::vector<std::string>& words) {
    int exitCode = 0;
    const auto args = startCommand(
        kName, words, {{kPortOption, kBaudOption, {"id"}, {"code"}, kDryRunOption}, 1, 20}, exitCode);
    if (!args) return exitCode;
    std::string error;
    const auto id = sensorIdOption(*args, "id", error);
    if (!id) return fail(kName, error, kExitUsage);
    if (!args->has("code")) return fail(kName, cliText("IDS_Cli_CodeRequired", {codeList()}), kExitUsage);
    const auto code = args->number("code", error);
    if (!code) return fail(kName, error, kExitUsage);
    const sensor::CommitCode* commit =
        *code >= 0 && *code <= 0xFFFF ? sensor::findCommitCode(static_cast<std::uint16_t>(*code)) : nullptr;
    if (!commit) return fail(kName, cliText("IDS_Cli_CodeOneOf", {codeList()}), kExitUsage);
    const device::Staged staged = device::stageCommit(*commit, args->positional());
    if (!staged) return fail(kName, staged.error, kExitUsage);

    if (args->has("dry-run")) {
        printDryRun(staged.writes, sensor::reg::kCommit, commit->code);
        return kExitOk;
    }
    PortSession port(*args);
    if (!port.ok()) return fail(kName, port.error(), port.exitCode());
    SteadyPacer pacer;
    const device::ProcedureResult r =
        device::commitCoefficients(rtuRegisterIo(), pacer, *id, *commit, staged.writes);
    if (r.commitUnconfirmed) {  // a communication failure, whatever 253 reads afterwards
        std::printf("not confirmed\n");
        std::fflush(stdout);
        return fail(kName, device::commitNotConfirmedText(rtuRegisterIo(), pacer, *id, *commit),
                    kExitFailure);
    }
    switch (r.outcome) {
        case device::Outcome::Done:
            std::printf("accepted\n");
            break;
        case device::Outcome::Refused:
            std::printf("refused\n");
            fail(kName,
                 cliText("IDS_Cli_CommitReadBack", {std::to_string(r.readBack), std::to_string(commit->ack)}),
                 kExitRefused);
            break;
        default:
            return fail(kName, outcomeText(r.outcome), kExitFailure);
    }
    return outcomeExit(r.outcome);
}

const CommandRegistrar reg{
    {kName,
     std::string("coefficients ") + kPortUsage +
         " --id N --code C [--dry-run] VALUE...   write coefficients and commit them (register 253)",
     runCoefficients}};

}  // namespace
}  // namespace talvex::cli
