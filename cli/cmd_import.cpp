// talvex-cli import: loads a production workbook as the import page does and writes the chosen
// coefficient blocks (and with --texts the four identity texts) into a sensor; with --chain the
// blocks that allow it go to every enabled channel's sensor of Config.ini. --dry-run needs no port
// and prints the register writes it would send, grouped by block. Every value is checked before
// anything is sent: a refused one exits 2 naming its cell.
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "cli_prompter.hpp"
#include "command.hpp"
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

int fail(const std::string& text, int code) {
    std::fprintf(stderr, "import: %s\n", text.c_str());
    return code;
}

// "temperature-coefficients" -> "# temperature-coefficients" (and the sensor when chained).
void printGroup(std::string_view name, int chainId) {
    if (chainId > 0) std::printf("# %.*s id %d\n", int(name.size()), name.data(), chainId);
    else std::printf("# %.*s\n", int(name.size()), name.data());
}
void printWrite(int address, std::uint16_t value) {
    std::printf("%d 0x%04X\n", address, value);
}

std::string blockList() {
    std::string out;
    for (const ImportBlock& b : production::importBlocks()) out += (out.empty() ? "" : ",") + std::string(b.cliName);
    return out;
}

// Enabled channels' sensors from Config.ini, as the program loads them.
bool loadChain(const Args& args, std::vector<int>& ids, std::string& error) {
    if (!initAppPaths(args.value("data-dir"), error)) return false;
    ChannelStore store;
    store.setSink({[](MessageKind, std::string_view) {}, [](std::string_view) {}});
    store.LoadChannelStore(appPaths().configFile());
    ids = production::chainTargets(session().enumUintEN);
    return true;
}

int runImport(const std::vector<std::string>& words) {
    std::string error;
    const auto args = Args::parse(words,
                                  OptionTable{{{"port"},
                                               {"baud"},
                                               {"id"},
                                               {"blocks"},
                                               {"texts", false},
                                               {"chain", false},
                                               {"data-dir"},
                                               {"dry-run", false}},
                                              1, 1},
                                  error);
    if (!args) return fail(error, 2);
    const bool dryRun = args->has("dry-run"), chain = args->has("chain"), texts = args->has("texts");

    std::vector<const ImportBlock*> blocks;
    if (const auto list = args->value("blocks")) {
        std::stringstream in(*list);
        for (std::string name; std::getline(in, name, ',');) {
            if (name == "all") {
                for (const ImportBlock& b : production::importBlocks()) blocks.push_back(&b);
                continue;
            }
            const ImportBlock* b = production::findImportBlock(name);
            if (!b) return fail("unknown block \"" + name + "\" (blocks: all," + blockList() + ")", 2);
            blocks.push_back(b);
        }
    }
    if (blocks.empty() && !texts) return fail("nothing to write: give --blocks LIST|all and/or --texts", 2);
    // Table order, each block once: the order of the continued write.
    std::vector<const ImportBlock*> ordered;
    for (const ImportBlock& b : production::importBlocks())
        for (const ImportBlock* chosen : blocks)
            if (chosen == &b) {
                ordered.push_back(&b);
                break;
            }

    long id = 0;
    if (args->value("id")) {
        id = args->number("id", error).value_or(-1);
        if (!error.empty()) return fail(error, 2);
        if (id < 1 || id > 247) return fail("--id must be a slave address 1..247", 2);
    }
    bool needsId = texts;
    for (const ImportBlock* b : ordered) needsId = needsId || !chain || b->chain == production::ChainStyle::None;
    if (needsId && id == 0 && !dryRun) return fail("--id N is needed for the sensor to write", 2);
    if (!dryRun && !args->value("port")) return fail("--port is needed (or --dry-run)", 2);

    const auto read = workbook::readFirstSheet(args->positional()[0]);
    if (!read.ok())
        return fail(args->positional()[0] + ": " + GetText(workbook::readErrorKey(read.error)), 2);
    const ImportRecord record = production::importFromSheet(read.sheet);

    // Everything is checked before the first request.
    std::vector<production::PreparedBlock> prepared;
    for (const ImportBlock* b : ordered) {
        prepared.push_back(production::prepareBlock(*b, record));
        if (!prepared.back().ok()) return fail(std::string(b->cliName) + ": " + prepared.back().error, 2);
    }
    std::vector<device::Encoded> identity;
    for (const auto& t : production::identityTexts()) {
        const int i = production::importFieldIndex(t.field);
        identity.push_back(device::encodeText20(t.field, record.texts[i]));
        if (texts && !identity.back()) return fail(identity.back().error + " [" + record.cells[i] + "]", 2);
    }
    std::vector<int> chainIds;
    if (chain && !loadChain(*args, chainIds, error)) return fail(error, 1);

    if (dryRun) {
        if (texts) {
            auto it = identity.begin();
            for (const auto& t : production::identityTexts()) {
                const sensor::TextWrite& w = *sensor::findTextWrite(t.textCode);
                std::string name(t.field);
                for (char& c : name) c = c == ' ' ? '-' : c;
                printGroup(name, 0);
                for (size_t k = 0; k < it->registers.size(); ++k) printWrite(w.firstRegister + int(k), it->registers[k]);
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
    if (!port.ok()) return fail(port.error(), port.exitCode());
    SteadyPacer pacer;
    StderrPrompter prompter("import");
    RegisterIo& io = rtuRegisterIo();
    using production::WriteOutcome;
    WriteOutcome worst = WriteOutcome::Done;
    auto note = [&worst](WriteOutcome o) {
        if (o == WriteOutcome::CommunicationFailure) worst = o;
        else if (o == WriteOutcome::Refused && worst != WriteOutcome::CommunicationFailure) worst = o;
    };
    if (texts)
        for (const auto& t : production::identityTexts())
            note(production::writeIdentityText(io, pacer, prompter, static_cast<int>(id), t,
                                               record.texts[production::importFieldIndex(t.field)]));
    production::WriteTargets targets{static_cast<int>(id), chain, chainIds};
    for (const ImportBlock* b : ordered) note(production::writeBlock(io, pacer, prompter, *b, record, targets, true));
    return worst == WriteOutcome::CommunicationFailure ? 1 : worst == WriteOutcome::Refused ? 3 : 0;
}

const CommandRegistrar reg{
    {"import",
     "import FILE [" + std::string(kPortUsage) +
         "] [--id N] [--blocks LIST|all] [--texts] [--chain [--data-dir DIR]] [--dry-run]   write a "
         "production workbook's parameters",
     runImport}};

}  // namespace
}  // namespace talvex::cli
