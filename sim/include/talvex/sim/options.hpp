// Command line of talvex-sim, turned into bus options. Kept apart from main() so it can be tested.
#pragma once

#include <string>
#include <vector>

#include "talvex/sim/sim_bus.hpp"

namespace talvex::sim {

struct ProgramOptions {
    BusOptions bus;
    std::string statePath;
    bool help = false;
    bool version = false;
};

// On a bad option returns false and sets error to a message that names it.
bool parseProgramOptions(const std::vector<std::string>& args, ProgramOptions& out, std::string& error);

const char* programUsage();

}  // namespace talvex::sim
