// The built-in simulated sensor bus the window offers as its last port: sensors 1-3 (the first of
// the chosen model), a wireless concentrator at 4 and the flowmeter at 200, in this process on a
// pseudo-terminal.
#pragma once

#include "talvex/acquisition/link_session.hpp"

namespace talvex::app {

acquisition::BusStarter simulatedBusStarter();

}  // namespace talvex::app
