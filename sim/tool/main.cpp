// talvex-sim: the simulated sensor bus as a program. Prints the device path, serves until
// SIGINT or SIGTERM, then saves the sensors' settings when --state was given (also once a second).
#include <signal.h>

#include <cstdio>
#include <string>
#include <vector>

#include "talvex/sim/options.hpp"
#include "talvex/sim/sim_bus.hpp"
#include "talvex/sim/state_file.hpp"
#include "talvex/version.hpp"

int main(int argc, char** argv) {
    using namespace talvex::sim;
    const std::vector<std::string> args(argv + 1, argv + argc);
    ProgramOptions options;
    std::string error;
    if (!parseProgramOptions(args, options, error)) {
        std::fprintf(stderr, "talvex-sim: %s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(programUsage(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("talvex-sim %.*s\n", static_cast<int>(talvex::version().size()),
                    talvex::version().data());
        return 0;
    }

    // Signals are taken synchronously by sigwait below, so block them before any thread starts.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    SimBus bus(options.bus);
    if (!bus.start(&error)) {
        std::fprintf(stderr, "talvex-sim: %s\n", error.c_str());
        return 1;
    }
    if (!options.statePath.empty()) {
        if (const StateLoad loaded = loadState(bus.model(), options.statePath, error);
            loaded != StateLoad::Loaded) {
            std::fprintf(stderr, "talvex-sim: %s\n", error.c_str());
            bus.stop();
            return loaded == StateLoad::Foreign ? 2 : 1;
        }
    }
    std::printf("%s\n", bus.slavePath().c_str());
    std::fflush(stdout);
    std::fprintf(stderr, "talvex-sim: serving sensors");
    for (const auto id : bus.model().slaveIds()) std::fprintf(stderr, " %u", id);
    std::fprintf(stderr, " on %s\n", bus.slavePath().c_str());

    // With --state the settings are saved once a second as well, so a killed simulator loses at
    // most the last second of what its sensors were told.
    const timespec tick{1, 0};
    while (sigtimedwait(&signals, nullptr, &tick) < 0) {
        if (!options.statePath.empty() && !saveState(bus.model(), options.statePath, error))
            std::fprintf(stderr, "talvex-sim: %s\n", error.c_str());
    }
    bus.stop();
    if (!options.statePath.empty() && !saveState(bus.model(), options.statePath, error)) {
        std::fprintf(stderr, "talvex-sim: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
