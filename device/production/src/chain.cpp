// Chain mode flag and the order of the sensors it visits.
#include "talvex/production/chain.hpp"

namespace talvex::production {

std::atomic<bool>& chainMode() {
    static std::atomic<bool> flag{false};
    return flag;
}

std::vector<int> chainTargets(const ChannelTable& channels) {
    std::vector<int> ids;
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        ChannelEntry e = channels.get(channel);
        if (e.enabled == 1) ids.push_back(e.sensorId);
    }
    return ids;
}

}  // namespace talvex::production
