// What the acquisition, curve and channel parameters pages are given by the main window: the core
// objects they show and drive, and the window's own pieces they use.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "talvex/sensor_model.hpp"
#include "talvex/ui/page_slots.hpp"

namespace talvex {
struct Session;
namespace acquisition {
class AcquisitionEngine;
class LinkArbiter;
class RecordStore;
}  // namespace acquisition
}  // namespace talvex

namespace talvex::ui {

class Prompter;

struct PageContext {
    acquisition::AcquisitionEngine* engine = nullptr;
    acquisition::RecordStore* store = nullptr;
    acquisition::LinkArbiter* arbiter = nullptr;
    Session* session = nullptr;  // null: the process-wide session
    std::string databasePath;    // SensorDB.db, for delete and export
    SensorModel model = SensorModel::None;
    Prompter* prompter = nullptr;  // null: dialogs
    // The main window's progress bar: 0..100 shows it at that percent, -1 hides it.
    std::function<void(int percent)> progress;
};

// The context every page layer gives its pages: the site's core objects, database and model, and the
// window's progress bar (when there is a window).
PageContext pageContextOf(const PageSite& site);

// The channel store's operations the channel parameters page uses (the main window wires them to
// the store and its tree). Each may be left empty where the window has no channels.
struct ChannelStoreOps {
    // Channel nodes in the tree (0: the tree is empty).
    std::function<int()> channelNodeCount;
    // Commits the page's parameter rows, device mark and description into the selected channel and
    // saves the configuration.
    std::function<bool()> saveSelectedChannel;
    // Sets the enabled value of every channel to "0".
    std::function<void()> clearAllEnables;
    // Walks the channel nodes in tree order; each node with its full set of rows takes the next ID
    // as its sensor ID and is enabled, while IDs remain.
    std::function<void(const std::vector<int>& ids)> assignSensorIds;
    // Rebuilds the channel table from the records and saves (also asks the poller to restart its
    // schedule); on success the page's parameter rows are refilled.
    std::function<bool()> applyAllChannels;
    std::function<void()> fillParameterRows;
};

}  // namespace talvex::ui
