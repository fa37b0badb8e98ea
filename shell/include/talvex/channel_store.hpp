// The channel set in its three forms: Config.ini, the channel records behind the tree of the main
// window, and the compact channel table `enumUintEN` the poller reads. Runs on the UI thread; the
// poller only reads the session's atomics.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "talvex/channel_table.hpp"
#include "talvex/channel_value.hpp"
#include "talvex/language.hpp"
#include "talvex/message_sink.hpp"

namespace talvex {

struct ChannelRecord {
    std::string nodeName;
    std::string deviceMark = " ";
    std::string description = " ";
    std::vector<ParameterRow> rows;  // sensor ID, acquisition rate, enabled flag, then any further rows
};

struct NetworkRecord {
    std::string name;
    std::vector<ChannelRecord> channels;
};

// What the main window's tree shows: the root, one item per network, one per channel (at most
// 48 in all). A disabled channel is drawn grey.
struct ChannelTreeNode {
    std::string label;
    int channel = 0;  // 1..48, the slot of the channel table
    bool enabled = false;
};
struct ChannelTreeNetwork {
    std::string label;
    std::vector<ChannelTreeNode> nodes;
};
struct ChannelTree {
    std::string rootLabel;
    std::vector<ChannelTreeNetwork> networks;
};

// A tree position: network -1 is the root, node -1 a network item.
struct ChannelPath {
    int network = -1;
    int node = -1;
    bool isNode() const { return network >= 0 && node >= 0; }
};

// Edits of the channel parameters page not yet in the records: the in-place editor's cell
// (column 0 the name, column 1 the value) and the device mark and description fields.
struct ChannelEdits {
    struct Cell {
        int row = -1;
        int column = 1;
        std::string text;
    };
    std::optional<Cell> cell;
    std::optional<std::string> deviceMark;
    std::optional<std::string> description;
};

struct LoadReport {
    bool createdDefaults = false;   // Config.ini was missing and the defaults were written
    bool defaultsInMemory = false;  // the defaults are used but not in the file
    bool copiedFromCurrentDir = false;
    bool relabelled = false;
    int channels = 0;  // channel items made (at most 48)
};

struct SelectionResult {
    bool isNode = false;
    std::vector<ParameterRow> rows;  // the parameter list
    std::string deviceMark;
    std::string description;
    std::string sensorIdText;  // first row's value, for the sensor-ID fields of other pages
};

struct ValidationResult {
    std::uint8_t sensorId = 1;
    bool announce = false;  // show it on the device parameters page and reload the curve
};

enum class SaveOutcome { Saved, NoRecords, BadValue, EnableError, WriteFailed };

class ChannelStore {
  public:
    explicit ChannelStore(Session& session = talvex::session());

    void setSink(MessageSink sink) { sink_ = std::move(sink); }
    // The "Recv" box: while set, loading writes each table entry to the log.
    void setLogEntries(bool on) { logEntries_ = on; }

    // Prepares Config.ini (copy from the current directory, conversion to the active language,
    // defaults), reads it into the records, fills the channel table and builds the tree.
    LoadReport LoadChannelStore(const std::filesystem::path& configFile);

    // Selection changed in the tree; pending edits go into the channel selected so far.
    SelectionResult OnChannelSelected(ChannelPath path, const ChannelEdits* pending = nullptr);
    // After a language switch: reloads the store under the rebuild flag and selects the same
    // position again (the view restores which items were expanded).
    SelectionResult RebuildChannelTree();
    // Commits the page's edits, updates the channel's table entry and saves the file.
    SaveOutcome SaveSelectedChannel(const ChannelEdits& edits = {});
    void ClearAllEnables();
    // Walks the channels in tree order; each one with its full set of rows (ID, rate, enable) takes
    // the next ID as its sensor ID and is enabled, while IDs remain. Nothing is saved.
    void assignSensorIds(const std::vector<int>& ids);
    bool ApplyAllChannels();
    std::vector<ParameterRow> FillParameterRows() const;
    bool SaveConfigFile();
    ValidationResult ValidateSelectedSensor();

    // Writes the page's pending edits into the selected channel's record (no saving).
    void commitEdits(const ChannelEdits& edits);

    const std::vector<NetworkRecord>& records() const { return networks_; }
    const ChannelTree& tree() const { return tree_; }
    ChannelPath selection() const { return selected_; }
    const std::filesystem::path& configFile() const { return configFile_; }
    // Channel number (1..48) of a tree node, 0 when the position holds none.
    int channelAt(ChannelPath path) const;

    // Tree state kept across a rebuild after a language switch.
    void setRebuilding(bool on) { rebuilding_ = on; }
    bool rebuilding() const { return rebuilding_; }

  private:
    ChannelRecord* selectedRecord();
    void setTableEntry(int channel, const ChannelRecord& record, bool foldEnabled);
    void setTreeEnabled(int channel, bool enabled);
    void buildTree();
    void loadFromIni(const class IniFile& ini, Codepage codepage);

    Session& session_;
    MessageSink sink_;
    bool logEntries_ = false;
    bool rebuilding_ = false;
    std::filesystem::path configFile_;
    std::vector<NetworkRecord> networks_;
    ChannelTree tree_;
    ChannelPath selected_;
    std::optional<std::uint8_t> lastAnnounced_;
};

// Default value of channel n (1..48) and the labels, in a language.
std::string defaultChannelValue(Language language, int channel);
std::string networkLabel(Language language, int network);
std::string nodeLabel(Language language, int channel);

// Converts Config.ini to the active language: section and key labels of either language become the
// active language's, and texts still at a language's default become the active default. Texts the
// user changed are kept. Returns true when the file was rewritten.
bool RelabelConfigFile(const std::filesystem::path& configFile, const MessageSink& sink = {});

// The conversion RelabelConfigFile makes of one stored value of channel n.
std::string relabelChannelValue(std::string_view stored, int channel, Language target);

}  // namespace talvex
