// Sensors' settings kept in a small text file between runs of the simulator.
#pragma once

#include <string>

#include "talvex/sim/bus_model.hpp"

namespace talvex::sim {

enum class StateLoad {
    Loaded,   // applied, or no file yet (the first run starts fresh)
    Foreign,  // the file holds something else: it must not be replaced by a state file
    Unreadable,
};

// Applies the saved settings to the sensors of the bus (by their configured ID). A file that is not
// empty and does not start as a state file does (the header line, or a sensor section as earlier
// versions wrote first) is refused, so a mistyped --state never overwrites a user's file.
StateLoad loadState(BusModel& bus, const std::string& path, std::string& error);
// Writes all sensors' settings; the file is replaced atomically.
bool saveState(BusModel& bus, const std::string& path, std::string& error);

}  // namespace talvex::sim
