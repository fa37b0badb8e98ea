// Sensors' settings kept in a small text file between runs of the simulator.
#pragma once

#include <string>

#include "talvex/sim/bus_model.hpp"

namespace talvex::sim {

// Applies the saved settings to the sensors of the bus (by their configured ID). A missing file
// is not an error: the first run starts fresh.
bool loadState(BusModel& bus, const std::string& path, std::string& error);
// Writes all sensors' settings; the file is replaced atomically.
bool saveState(BusModel& bus, const std::string& path, std::string& error);

}  // namespace talvex::sim
