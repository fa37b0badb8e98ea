// Channel records, the channel table and the tree, kept in step with Config.ini.
#include "talvex/channel_store.hpp"

#include <cstdio>

#include "talvex/ini_file.hpp"
#include "talvex/language.hpp"

namespace talvex {
namespace fs = std::filesystem;
namespace {

// Buffer sizes of the reading steps, in bytes of the file's code page.
constexpr std::size_t kSectionNamesBuffer = 512;
constexpr std::size_t kKeyNamesBuffer = 1536;

std::string format(const char* pattern, int n) {
    char buf[64];
    std::snprintf(buf, sizeof buf, pattern, n);
    return buf;
}

std::string rowValue(const ChannelRecord& record, std::size_t i) {
    return i < record.rows.size() ? record.rows[i].value : std::string("0");
}

IniFile defaultsFile(Language language) {
    IniFile ini;
    for (int n = 1; n <= kChannelCount; ++n)
        ini.writeString(networkLabel(language, (n + 2) / 3), nodeLabel(language, n),
                        defaultChannelValue(language, n));
    return ini;
}

// The text key of what is wrong with a record's sensor ID or rate, or "" when both are sound: the ID
// is a Modbus address 1..247 (a typed "abc" would otherwise become 0, the broadcast address) and the
// rate a whole number of seconds 0..255.
std::string_view badChannelValueKey(const ChannelRecord& record) {
    const auto whole = [](std::string_view text, int low, int high) {
        const auto first = text.find_first_not_of(' ');
        const auto last = text.find_last_not_of(' ');
        if (first == std::string_view::npos || last - first > 2) return false;
        int v = 0;
        for (const char c : text.substr(first, last - first + 1)) {
            if (c < '0' || c > '9') return false;
            v = v * 10 + (c - '0');
        }
        return v >= low && v <= high;
    };
    if (record.rows.size() < 3) return {};
    if (!whole(record.rows[0].value, 1, 247)) return "IDS_FirstUse_SensorIdRange";
    if (!whole(record.rows[1].value, 0, 255)) return "IDS_FirstUse_RateWhole";
    return {};
}

}  // namespace

std::string defaultChannelValue(Language language, int channel) {
    return GetTextIn(language, format("IDS_Tree_Config%d", channel));
}
std::string networkLabel(Language language, int network) {
    return GetTextIn(language, format("IDS_Tree_Network%d", network));
}
std::string nodeLabel(Language language, int channel) {
    return GetTextIn(language, format("IDS_Tree_Node%d", channel));
}

ChannelStore::ChannelStore(Session& session) : session_(session) {}

LoadReport ChannelStore::LoadChannelStore(const fs::path& configFile) {
    LoadReport report;
    configFile_ = configFile;
    const Language language = activeLanguage();
    const Codepage codepage = kConfigCodepage;
    std::error_code ec;

    // A Config.ini in the current directory seeds a missing one.
    const fs::path local = fs::current_path(ec) / "Config.ini";
    if (!fs::exists(configFile, ec) && fs::exists(local, ec) &&
        fs::weakly_canonical(local, ec) != fs::weakly_canonical(configFile, ec)) {
        if (fs::copy_file(local, configFile, fs::copy_options::overwrite_existing, ec))
            report.copiedFromCurrentDir = true;
        else
            sink_.logLine("Config.ini: cannot copy " + local.string() + ": " + ec.message());
    }

    report.relabelled = RelabelConfigFile(configFile, sink_);

    IniFile ini;
    if (!fs::exists(configFile, ec)) {
        ini = defaultsFile(language);
        std::string error;
        if (ini.save(configFile, &error)) {
            report.createdDefaults = true;
        } else {
            report.defaultsInMemory = true;
            sink_.notice(GetText("IDS_Safety_ConfigDefaultsInMemory"), error);
        }
    } else {
        IniFile::LoadResult loaded;
        ini = IniFile::load(configFile, &loaded);
        if (loaded.status != IniFile::LoadStatus::Loaded) {
            report.defaultsInMemory = true;
            sink_.notice(GetText("IDS_Safety_ConfigUnreadable"), loaded.error);
            ini = defaultsFile(language);
        } else if (loaded.lossy || loaded.droppedNuls) {
            sink_.notice(GetText("IDS_Safety_ConfigGarbled"));
        }
    }

    const auto channelItems = [this] {
        int k = 0;
        for (const auto& network : tree_.networks) k += static_cast<int>(network.nodes.size());
        return k;
    };
    loadFromIni(ini, codepage);
    if (channelItems() == 0) {
        // A garbled file must not leave the user without channels; the file is kept as it is.
        sink_.notice(GetText("IDS_Safety_ConfigNoChannel"));
        report.defaultsInMemory = true;
        loadFromIni(defaultsFile(language), codepage);
    }
    report.channels = channelItems();
    return report;
}

void ChannelStore::loadFromIni(const IniFile& ini, Codepage codepage) {
    networks_.clear();
    selected_ = {};
    const std::string defaultName = GetText("IDS_Tab_Config_Parameters");
    for (const auto& section : ini.sectionNames(kSectionNamesBuffer, codepage)) {
        NetworkRecord network{section, {}};
        for (const auto& key : ini.keyNames(section, kKeyNamesBuffer, codepage)) {
            ChannelValue value = parseChannelValue(
                ini.getString(section, key, "", kValueReadBuffer, codepage), codepage, defaultName);
            network.channels.push_back(
                {key, std::move(value.deviceMark), std::move(value.description), std::move(value.rows)});
        }
        networks_.push_back(std::move(network));
    }
    buildTree();
}

void ChannelStore::buildTree() {
    tree_ = {};
    tree_.rootLabel = GetText("IDS_Tree_Channel");
    int k = 0;
    for (const auto& network : networks_) {
        ChannelTreeNetwork item{network.name, {}};
        for (const auto& record : network.channels) {
            if (k >= kChannelCount) break;  // further keys are neither shown nor polled
            ++k;
            setTableEntry(k, record, true);
            item.nodes.push_back({record.nodeName, k, session_.enumUintEN.get(k).enabled == 1});
        }
        tree_.networks.push_back(std::move(item));
    }
}

void ChannelStore::setTableEntry(int channel, const ChannelRecord& record, bool foldEnabled) {
    ChannelEntry entry{};
    if (record.rows.size() >= 3) {
        entry.sensorId = decimalByte(record.rows[0].value);
        entry.rate = decimalByte(record.rows[1].value);
        entry.enabled = decimalByte(record.rows[2].value);
        if (foldEnabled) entry.enabled = entry.enabled == 1 ? 1 : 0;
    }
    session_.enumUintEN.set(channel, entry);
    if (logEntries_) {
        char line[64];
        const std::uint8_t values[3] = {entry.sensorId, entry.rate, entry.enabled};
        for (int i = 0; i < 3; ++i) {
            std::snprintf(line, sizeof line, "enumUintEN[%d][%d]=%u ", channel, i,
                          static_cast<unsigned>(values[i]));
            sink_.logLine(line);
        }
    }
}

void ChannelStore::setTreeEnabled(int channel, bool enabled) {
    for (auto& network : tree_.networks)
        for (auto& node : network.nodes)
            if (node.channel == channel) node.enabled = enabled;
}

int ChannelStore::channelAt(ChannelPath path) const {
    if (!path.isNode() || path.network >= static_cast<int>(tree_.networks.size())) return 0;
    const auto& nodes = tree_.networks[static_cast<std::size_t>(path.network)].nodes;
    if (path.node >= static_cast<int>(nodes.size())) return 0;
    return nodes[static_cast<std::size_t>(path.node)].channel;
}

ChannelRecord* ChannelStore::selectedRecord() {
    if (channelAt(selected_) == 0) return nullptr;
    return &networks_[static_cast<std::size_t>(selected_.network)]
                .channels[static_cast<std::size_t>(selected_.node)];
}

void ChannelStore::commitEdits(const ChannelEdits& edits) {
    ChannelRecord* record = selectedRecord();
    if (!record) return;
    if (edits.cell && edits.cell->row >= 0 && edits.cell->row < static_cast<int>(record->rows.size())) {
        ParameterRow& row = record->rows[static_cast<std::size_t>(edits.cell->row)];
        (edits.cell->column == 0 ? row.name : row.value) = edits.cell->text;
    }
    if (edits.deviceMark) record->deviceMark = *edits.deviceMark;
    if (edits.description) record->description = *edits.description;
}

SelectionResult ChannelStore::OnChannelSelected(ChannelPath path, const ChannelEdits* pending) {
    if (!rebuilding_ && pending) commitEdits(*pending);
    selected_ = channelAt(path) != 0 ? path : ChannelPath{path.isNode() ? -1 : path.network, -1};
    SelectionResult result;
    const ChannelRecord* record = selectedRecord();
    if (!record) return result;
    result.isNode = true;
    result.rows = record->rows;
    result.deviceMark = record->deviceMark;
    result.description = record->description;
    if (!record->rows.empty()) {
        result.sensorIdText = record->rows[0].value;
        session_.selectedSensorId.store(decimalByte(record->rows[0].value));
    }
    return result;
}

SelectionResult ChannelStore::RebuildChannelTree() {
    const ChannelPath keep = selected_;
    rebuilding_ = true;
    LoadChannelStore(configFile_);
    SelectionResult result = OnChannelSelected(keep);
    rebuilding_ = false;
    return result;
}

std::vector<ParameterRow> ChannelStore::FillParameterRows() const {
    if (channelAt(selected_) == 0) return {};
    return networks_[static_cast<std::size_t>(selected_.network)]
        .channels[static_cast<std::size_t>(selected_.node)]
        .rows;
}

SaveOutcome ChannelStore::SaveSelectedChannel(const ChannelEdits& edits) {
    if (networks_.empty()) return SaveOutcome::NoRecords;
    commitEdits(edits);
    if (const ChannelRecord* record = selectedRecord()) {
        if (const std::string_view bad = badChannelValueKey(*record); !bad.empty()) {
            sink_.show(MessageKind::Warning, GetText(bad));
            return SaveOutcome::BadValue;
        }
        // The slot is the channel's place in file order, the numbering the poller loaded.
        const int n = channelAt(selected_);
        ChannelEntry entry{decimalByte(rowValue(*record, 0)), decimalByte(rowValue(*record, 1)),
                           decimalByte(rowValue(*record, 2))};
        session_.enumUintEN.set(n, entry);
        session_.selectedSensorId.store(entry.sensorId);
        ValidateSelectedSensor();
        const int enabled = decimalInt(rowValue(*record, 2));
        setTreeEnabled(n, enabled == 1);
        if (enabled != 0 && enabled != 1) {
            sink_.show(MessageKind::Warning, GetText("IDD_Message_SEPSE"));
            return SaveOutcome::EnableError;
        }
    }
    return SaveConfigFile() ? SaveOutcome::Saved : SaveOutcome::WriteFailed;
}

void ChannelStore::ClearAllEnables() {
    for (auto& network : networks_)
        for (auto& record : network.channels)
            if (record.rows.size() >= 3) record.rows[2].value = "0";
}

void ChannelStore::assignSensorIds(const std::vector<int>& ids) {
    std::size_t next = 0;
    int k = 0;
    for (auto& network : networks_)
        for (auto& record : network.channels) {
            if (k++ >= kChannelCount || next >= ids.size()) return;
            if (record.rows.size() < 3) continue;
            record.rows[0].value = std::to_string(ids[next++]);
            record.rows[2].value = "1";
        }
}

bool ChannelStore::ApplyAllChannels() {
    if (networks_.empty()) return false;
    for (const auto& network : networks_)
        for (const auto& record : network.channels)
            if (const std::string_view bad = badChannelValueKey(record); !bad.empty()) {
                sink_.show(MessageKind::Warning, GetText(bad));
                return false;
            }
    int k = 0;
    for (const auto& network : networks_) {
        for (const auto& record : network.channels) {
            if (k >= kChannelCount) break;
            ++k;
            ChannelEntry entry{};
            if (record.rows.size() >= 3)
                entry = {decimalByte(record.rows[0].value), decimalByte(record.rows[1].value),
                         decimalByte(record.rows[2].value)};
            session_.enumUintEN.set(k, entry);
            setTreeEnabled(k, entry.enabled == 1);
        }
    }
    ValidateSelectedSensor();
    session_.scheduleReset.store(true);
    return SaveConfigFile();
}

ValidationResult ChannelStore::ValidateSelectedSensor() {
    std::uint8_t id = session_.selectedSensorId.load();
    bool found = false;
    int firstEnabled = 0;
    for (int n = 1; n <= kChannelCount; ++n) {
        const ChannelEntry e = session_.enumUintEN.get(n);
        if (e.enabled != 1) continue;
        if (firstEnabled == 0) firstEnabled = n;
        if (e.sensorId == id) found = true;
    }
    if (!found && firstEnabled != 0) {
        id = session_.enumUintEN.get(firstEnabled).sensorId;
        session_.selectedSensorId.store(id);
    }
    ValidationResult result{id, !found || !lastAnnounced_ || *lastAnnounced_ != id};
    if (result.announce) lastAnnounced_ = id;
    return result;
}

bool ChannelStore::SaveConfigFile() {
    const Codepage codepage = kConfigCodepage;
    if (IniFile::isReadOnly(configFile_)) {
        sink_.notice(GetText("IDS_Safety_ConfigReadOnly"), configFile_.string());
        return false;
    }
    IniFile::LoadResult loaded;
    IniFile ini = IniFile::load(configFile_, &loaded);
    if (loaded.status == IniFile::LoadStatus::Unreadable) {
        sink_.notice(GetText("IDS_Safety_ConfigUnreadable"), loaded.error);
        return false;
    }
    for (const auto& network : networks_)
        for (const auto& record : network.channels) {
            const std::string value = formatChannelValue(record.rows, record.deviceMark, record.description);
            // A value longer than the limit is one read cut at 127 bytes and not edited since: the
            // file's whole text still starts with it, so it stays as it is instead of losing a byte.
            const auto stored = ini.value(network.name, record.nodeName);
            if (encodedLength(value, codepage) > kValueWriteLimit && stored && stored->starts_with(value))
                continue;
            ini.writeString(network.name, record.nodeName,
                            cutToEncodedBytes(value, kValueWriteLimit, codepage));
        }
    std::string error;
    if (!ini.save(configFile_, &error)) {
        sink_.notice(GetText("IDS_Safety_ConfigNotWritten"), error);
        return false;
    }
    return true;
}

}  // namespace talvex
