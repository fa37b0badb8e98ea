// Connects the channel parameters page to the shell's channel store: edits go into the selected
// channel's record as they are made, and the page's buttons run the store's operations.
#pragma once

namespace talvex {
class ChannelStore;
}

namespace talvex::ui {

class CVelPageCfg;

// The store must outlive the page.
void attachChannelStore(CVelPageCfg& page, ChannelStore& store);

}  // namespace talvex::ui
