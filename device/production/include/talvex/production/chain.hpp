// Chain mode of the production and import pages: while it is on, the chain-capable operations go to
// every enabled channel's sensor in channel order instead of the selected sensor only.
#pragma once

#include <atomic>
#include <vector>

#include "talvex/channel_table.hpp"

namespace talvex::production {

// The one flag both pages share (the production page's auto-poll box, the import page's chain box).
std::atomic<bool>& chainMode();

// Sensor IDs of the enabled channels, channels 1..48 in order; disabled channels are skipped.
std::vector<int> chainTargets(const ChannelTable& channels);

}  // namespace talvex::production
