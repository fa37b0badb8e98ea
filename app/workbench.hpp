// The program's composition: settings and language, the model dialog, the core objects of the run
// (arbiter, record store, poller, database), the simulated bus, and the main window over them.
// main() and the start-up tests go through here.
#pragma once

#include "talvex/ui/page_slots.hpp"
#include "talvex/ui/startup.hpp"

namespace talvex::app {

// Runs the whole program on an existing QApplication; returns the process exit code.
int runWorkbench(const ui::StartupOptions& options, const ui::PageFactory& pages);

}  // namespace talvex::app
