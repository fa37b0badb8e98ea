// State file: a header line, then one "[sensor N]" section per configured sensor ID with its
// "key=value" lines.
#include "talvex/sim/state_file.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <vector>

namespace talvex::sim {
namespace {

constexpr const char* kHeader = "# talvex-sim state";

bool startsAsStateFile(const std::string& firstLine) {
    unsigned id = 0;
    return firstLine == kHeader || std::sscanf(firstLine.c_str(), "[sensor %u]", &id) == 1;
}

}  // namespace

StateLoad loadState(BusModel& bus, const std::string& path, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        if (errno == ENOENT) return StateLoad::Loaded;
        error = "cannot read state file " + path + ": " + std::strerror(errno);
        return StateLoad::Unreadable;
    }
    std::map<unsigned, std::vector<std::pair<std::string, std::string>>> sections;
    unsigned current = 0;
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (first && !startsAsStateFile(line)) {
            error =
                path + " is not a talvex-sim state file; it is left as it is (choose another --state file)";
            return StateLoad::Foreign;
        }
        first = false;
        unsigned id = 0;
        if (std::sscanf(line.c_str(), "[sensor %u]", &id) == 1) {
            current = id;
            continue;
        }
        const auto eq = line.find('=');
        if (current == 0 || eq == std::string::npos) continue;
        sections[current].emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    bus.forEachSensor([&](Sensor& s) {
        const auto it = sections.find(s.config().id);
        if (it == sections.end()) return;
        for (const auto& [key, value] : it->second) {
            if (key == "id") {
                // Keep a changed ID only while no other device answers there.
                const auto id = std::strtoul(value.c_str(), nullptr, 10);
                bool taken = false;
                bus.forEachDeviceId([&](std::uint8_t other, const Sensor* owner) {
                    if (other == id && owner != &s) taken = true;
                });
                if (taken) continue;
            }
            s.loadSetting(key, value);
        }
    });
    return StateLoad::Loaded;
}

bool saveState(BusModel& bus, const std::string& path, std::string& error) {
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::trunc);
        if (!out) {
            error = "cannot write state file " + path + ": " + std::strerror(errno);
            return false;
        }
        out << kHeader << '\n';
        bus.forEachSensor([&out](Sensor& s) {
            out << "[sensor " << static_cast<unsigned>(s.config().id) << "]\n";
            for (const auto& l : s.saveSettings()) out << l << '\n';
        });
        out.flush();
        if (!out) {
            error = "cannot write state file " + path;
            return false;
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        error = "cannot replace state file " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace talvex::sim
