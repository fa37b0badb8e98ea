// talvex-cli: scriptable front end over the Talvex core.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli_text.hpp"
#include "command.hpp"
#include "talvex/language.hpp"
#include "talvex/version.hpp"

namespace talvex::cli {
std::vector<Command>& commands() {
    static std::vector<Command> all;
    return all;
}
}  // namespace talvex::cli

namespace {
void printUsage(std::FILE* out) {
    std::fprintf(out, "usage: talvex-cli <command> [options]\n\ncommands:\n");
    for (const auto& c : talvex::cli::commands()) std::fprintf(out, "  %s\n", c.usage.c_str());
}
}  // namespace

int main(int argc, char** argv) {
    using namespace talvex::cli;
    // Refusals of the arguments speak the default data directory's language; a command that opens its
    // data directory switches to the language found there.
    talvex::useDefaultDirLanguage();
    if (argc < 2) {
        printUsage(stderr);
        return 2;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        printUsage(stdout);
        return 0;
    }
    if (name == "--version") {
        std::printf("talvex-cli %.*s\n", static_cast<int>(talvex::version().size()),
                    talvex::version().data());
        return 0;
    }
    for (const auto& c : commands()) {
        if (c.name != name) continue;
        std::vector<std::string> words(argv + 2, argv + argc);
        // "talvex-cli CMD --help" prints that command's usage, whatever else is on the line.
        if (std::find(words.begin(), words.end(), "--help") != words.end()) {
            std::printf("usage: talvex-cli %s\n", c.usage.c_str());
            return 0;
        }
        return c.run(words);
    }
    std::fprintf(stderr, "talvex-cli: %s\n", cliText("IDS_Cli_UnknownCommand", {name}).c_str());
    printUsage(stderr);
    return 2;
}
