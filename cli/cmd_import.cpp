// talvex-cli import: loads a production workbook as the import page does and writes the chosen
// coefficient blocks (and with --texts the four identity texts) into a sensor; with --chain the
// blocks that allow it go to every enabled channel's sensor of Config.ini. --dry-run needs no port
// and prints the register writes it would send, grouped by block. Every value is checked before
// anything is sent: a refused one exits 2 naming its cell.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli_prompter.hpp"
#include "cli_text.hpp"
#include "command.hpp"
#include "command_start.hpp"
#include "port_option.hpp"
#include "talvex/app_paths.hpp"
#include "talvex/channel_store.hpp"
#include "talvex/device/encodings.hpp"
#include "talvex/language.hpp"
#include "talvex/pacer.hpp"
#include "talvex/production/chain.hpp"
#include "talvex/production/import_ops.hpp"
#include "talvex/rtu_register_io.hpp"
#include "talvex/sensor_registers.hpp"
#include "talvex/workbook/reader.hpp"

namespace talvex::cli {
namespace {

using production::ImportBlock;
using production::ImportRecord;

constexpr const char* kName = "import";
const OptionTable kTable{{kPortOption,
                          kBaudOption,
                          {"id"},
                          {"blocks"},
                          {"texts", false},
                          {"chain", false},
                          kDataDirOption,
                          kDryRunOption,
                          {"yes", false}},
                         1,
                         1};

// "temperature-coefficients" -> "# temperature-coefficients" (and the sensor when chained).
void printGroup(std::string_view name, int chainId) {
    if (chainId > 0)
        std::printf("# %.*s id %d\n", int(name.size()), name.data(), chainId);
    else
        std::printf("# %.*s\n", int(name.size()), name.data());
}
void printWrite(int address, std::uint16_t value) {
    std::printf("%d 0x%04X\n", address, value);
}

std::string blockList() {
    std::string out;
    for (const ImportBlock& b : production::importBlocks())
        out += (out.empty() ? "" : ",") + std::string(b.cliName);
    return out;
}

// Enabled channels' sensors from Config.ini, as the program loads them (after openDataDir).
std::vector<int> loadChain() {
    ChannelStore store;
    store.setSink({[](MessageKind, std::string_view) {}, [](std::string_view) {}});
    store.LoadChannelStore(appPaths().configFile());
    return production::chainTargets(session().enumUintEN);
}

int runImport(const std::vector<std::string>& words) {
    int exitCode = 0;
    const auto args = startCommand(kName, words, kTable, exitCode);
    if (!args) return exitCode;
    std::string error;
    const bool dryRun = args->has("dry-run"), chain = args->has("chain"), texts = args->has("texts");

    std::vector<const ImportBlock*> blocks;
    if (const auto list = args->value("blocks")) {
        std::vector<std::string> names;
        if (!splitList(*list, names, error)) return fail(kName, "--blocks: " + error, kExitUsage);
        for (const std::string& name : names) {
            if (name == "all") {
                for (const ImportBlock& b : production::importBlocks()) blocks.push_back(&b);
                continue;
            }
            const ImportBlock* b = production::findImportBlock(name);
            if (!b)
                return fail(kName, cliText("IDS_Cli_Import_UnknownBlock", {name, blockList()}), kExitUsage);
            blocks.push_back(b);
        }
    }
    if (blocks.empty() && !texts) return fail(kName, GetText("IDS_Cli_Import_NothingToWrite"), kExitUsage);
    // Table order, each block once: the order of the continued write.
    std::vector<const ImportBlock*> ordered;
    for (const ImportBlock& b : production::importBlocks())
        for (const ImportBlock* chosen : blocks)
            if (chosen == &b) {
                ordered.push_back(&b);
                break;
            }

    int id = 0;
    if (args->has("id")) {
        const auto given = sensorIdOption(*args, "id", error);
        if (!given) return fail(kName, error, kExitUsage);
        id = *given;
    }
    bool needsId = texts;
    for (const ImportBlock* b : ordered)
        needsId = needsId || !chain || b->chain == production::ChainStyle::None;
    if (needsId && id == 0 && !dryRun) return fail(kName, GetText("IDS_Cli_Import_NeedsId"), kExitUsage);
    if (!dryRun && !args->has("port")) return fail(kName, GetText("IDS_Cli_Import_NeedsPort"), kExitUsage);
    if (!openDataDir(kName, *args, exitCode)) return exitCode;  // language and Config.ini

    const auto read = workbook::readFirstSheet(args->positional()[0]);
    if (!read.ok())
        return fail(kName, args->positional()[0] + ": " + workbook::readErrorMessage(read, GetText),
                    kExitUsage);
    const ImportRecord record = production::importFromSheet(read.sheet);

    // Everything is checked before the first request.
    std::vector<production::PreparedBlock> prepared;
    for (const ImportBlock* b : ordered) {
        prepared.push_back(production::prepareBlock(*b, record));
        if (!prepared.back().ok())
            return fail(kName, std::string(b->cliName) + ": " + prepared.back().error, kExitUsage);
    }
    std::vector<device::Encoded> identity;
    for (const auto& t : production::identityTexts()) {
        const int i = production::importFieldIndex(t.field);
        identity.push_back(device::encodeText20(t.field, record.texts[i]));
        if (texts && !identity.back())
            return fail(kName, identity.back().error + " [" + record.cells[i] + "]", kExitUsage);
    }
    const std::vector<int> chainIds = chain ? loadChain() : std::vector<int>{};
    const bool anyChained = std::any_of(ordered.begin(), ordered.end(), [](const ImportBlock* b) {
        return b->chain != production::ChainStyle::None;
    });
    if (chain && anyChained && chainIds.empty())
        return fail(kName, cliText("IDS_Cli_Import_NoEnabledChannel", {appPaths().configFile().string()}),
                    kExitUsage);
    // Every block is confirmed before it is written (the texts are not).
    const QuestionPolicy policy = questionPolicy(*args);
    if (!dryRun && !ordered.empty() && !questionsAnswerable(kName, policy, exitCode)) return exitCode;

    if (dryRun) {
        if (texts) {
            auto it = identity.begin();
            for (const auto& t : production::identityTexts()) {
                const sensor::TextWrite& w = *sensor::findTextWrite(t.textCode);
                std::string name(t.field);
                for (char& c : name) c = c == ' ' ? '-' : c;
                printGroup(name, 0);
                for (size_t k = 0; k < it->registers.size(); ++k)
                    printWrite(w.firstRegister + int(k), it->registers[k]);
                printWrite(sensor::reg::kTextItem, t.textCode);
                ++it;
            }
        }
        for (size_t i = 0; i < ordered.size(); ++i) {
            const bool chained = chain && ordered[i]->chain != production::ChainStyle::None;
            const std::vector<int> targets = chained ? chainIds : std::vector<int>{0};
            for (int target : targets) {
                printGroup(ordered[i]->cliName, target);
                for (const auto& w : prepared[i].writes) printWrite(w.address, w.value);
                printWrite(sensor::reg::kCommit, ordered[i]->commitCode);
            }
        }
        return 0;
    }

    PortSession port(*args);
    if (!port.ok()) return fail(kName, port.error(), port.exitCode());
    SteadyPacer pacer;
    CliPrompter prompter(kName, policy);
    RegisterIo& io = rtuRegisterIo();
    using production::WriteOutcome;
    WriteOutcome worst = WriteOutcome::Done;
    auto note = [&worst](WriteOutcome o) {
        if (o == WriteOutcome::CommunicationFailure)
            worst = o;
        else if (o == WriteOutcome::Refused && worst != WriteOutcome::CommunicationFailure)
            worst = o;
    };
    if (texts)
        for (const auto& t : production::identityTexts())
            note(production::writeIdentityText(io, pacer, prompter, id, t,
                                               record.texts[production::importFieldIndex(t.field)]));
    production::WriteTargets targets{id, chain, chainIds};
    for (const ImportBlock* b : ordered)
        note(production::writeBlock(io, pacer, prompter, *b, record, targets, true));
    return worst == WriteOutcome::CommunicationFailure ? kExitFailure
           : worst == WriteOutcome::Refused            ? kExitRefused
                                                       : kExitOk;
}

const CommandRegistrar reg{
    {"import",
     "import FILE [" + std::string(kPortUsage) +
         "] [--id N] [--blocks LIST|all] [--texts] [--chain] [--data-dir DIR] [--dry-run] [--yes]   "
         "write a production workbook's parameters into sensors",
     runImport}};

}  // namespace
}  // namespace talvex::cli
