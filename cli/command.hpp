// talvex-cli commands register themselves here; main() dispatches by name.
// Data goes to stdout, diagnostics to stderr; a command returns the process exit code.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "args.hpp"

namespace talvex::cli {

// Receives the words after the command name; parses them with Args::parse.
using CommandFn = std::function<int(const std::vector<std::string>&)>;

struct Command {
    std::string name;
    std::string usage;  // one line: "read --port DEV [--baud B] --id N --addr A --count C [--input] [--json]"
    CommandFn run;
};

std::vector<Command>& commands();

// Registers a command at static-initialisation time: `const CommandRegistrar reg{{"read", "...", runRead}};`
struct CommandRegistrar {
    explicit CommandRegistrar(Command c) { commands().push_back(std::move(c)); }
};

}  // namespace talvex::cli
