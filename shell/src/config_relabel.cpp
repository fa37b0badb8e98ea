// Conversion of Config.ini to the active language, at every start and every language switch.
#include <cstdio>
#include <map>

#include "talvex/channel_store.hpp"
#include "talvex/ini_file.hpp"
#include "talvex/language.hpp"

namespace talvex {
namespace fs = std::filesystem;
namespace {

constexpr std::size_t kRelabelBuffer = 8192;
constexpr Language kLanguages[] = {Language::English, Language::Chinese};

struct Triple {
    std::string section, key, value;
};

// Number (1-based) of the label among the labels of both tables, 0 when it is none of them.
int labelNumber(std::string_view label, int count, std::string (*labelOf)(Language, int)) {
    for (Language language : kLanguages)
        for (int i = 1; i <= count; ++i)
            if (equalsNoCase(labelOf(language, i), label)) return i;
    return 0;
}

std::string textPart(std::string_view value) {
    const std::size_t hash = value.find('#');
    return hash == std::string_view::npos ? std::string() : std::string(value.substr(hash + 1));
}

std::string withoutTrailingHashes(std::string s) {
    while (!s.empty() && s.back() == '#') s.pop_back();
    return s;
}

// A stored text counts as a default when it equals one, or is one cut short by the write limit
// (a saved value is cut to 126 bytes). Reading appends a "#" that saving writes back; ignore it.
bool matchesDefault(const std::string& stored, const std::string& dflt, bool valueWasCut) {
    const std::string s = withoutTrailingHashes(stored);
    if (s == dflt) return true;
    return valueWasCut && !s.empty() && dflt.starts_with(s);
}

}  // namespace

std::string relabelChannelValue(std::string_view stored, int channel, Language target) {
    const std::string targetDefault = defaultChannelValue(target, channel);
    if (stored.find('#') == std::string_view::npos || targetDefault.find('#') == std::string::npos)
        return std::string(stored);
    const std::string list(stored.substr(0, stored.find('#')));
    const std::string storedText = textPart(stored);
    const std::string targetText = textPart(targetDefault);
    const bool cut = encodedLength(stored, Codepage::Gbk) + 4 >= kValueWriteLimit ||
                     encodedLength(stored, Codepage::Ascii) + 4 >= kValueWriteLimit;

    // Untouched texts take the target language's default whole, as they always did.
    if (withoutTrailingHashes(storedText).empty()) return list + "#" + targetText;
    for (Language language : kLanguages)
        if (matchesDefault(storedText, textPart(defaultChannelValue(language, channel)), cut))
            return list + "#" + targetText;

    // Otherwise convert part by part and keep every part the user changed.
    const ChannelText mine = parseChannelText(storedText);
    const ChannelText goal = parseChannelText(targetText);
    ChannelText defaults[2];
    for (int i = 0; i < 2; ++i)
        defaults[i] = parseChannelText(textPart(defaultChannelValue(kLanguages[i], channel)));
    const auto isDefault = [&](const std::string& s, auto member, std::size_t index, bool allowCut) {
        for (const ChannelText& d : defaults) {
            const std::string* dv = member(d, index);
            if (dv && matchesDefault(s, *dv, allowCut)) return true;
        }
        return false;
    };
    const auto markOf = [](const ChannelText& t, std::size_t) -> const std::string* { return &t.deviceMark; };
    const auto nameOf = [](const ChannelText& t, std::size_t i) -> const std::string* {
        return i < t.names.size() ? &t.names[i] : nullptr;
    };
    const auto descOf = [](const ChannelText& t, std::size_t) -> const std::string* {
        return &t.description;
    };

    std::string out = list + "#";
    out += isDefault(mine.deviceMark, markOf, 0, false) ? goal.deviceMark : mine.deviceMark;
    if (!mine.hasNames) return out;
    for (std::size_t i = 0; i < mine.names.size(); ++i) {
        out += '$';
        const bool swap = i < goal.names.size() && isDefault(mine.names[i], nameOf, i, false);
        out += swap ? goal.names[i] : mine.names[i];
    }
    const bool ownDescription = mine.hasDescription && !isDefault(mine.description, descOf, 0, cut);
    if (mine.hasDescription) {
        out += '@';
        out += ownDescription ? mine.description : goal.description;
    }
    // Longer labels must not push the user's own description past the write limit, where a save
    // would cut it: such a value keeps its labels as they are.
    if (ownDescription && encodedLength(out, kConfigCodepage) > kValueWriteLimit &&
        encodedLength(out, kConfigCodepage) > encodedLength(stored, kConfigCodepage))
        return std::string(stored);
    return out;
}

bool RelabelConfigFile(const fs::path& configFile, const MessageSink& sink) {
    std::error_code ec;
    if (!fs::exists(configFile, ec)) return false;
    IniFile::LoadResult loaded;
    const IniFile ini = IniFile::load(configFile, &loaded);
    if (loaded.status != IniFile::LoadStatus::Loaded) {
        sink.notice(GetText("IDS_Safety_ConfigUnconverted"), loaded.error);
        return false;
    }
    const Language target = activeLanguage();
    const Codepage codepage = kConfigCodepage;

    std::vector<Triple> triples;
    for (const auto& section : ini.sectionNames(kRelabelBuffer, codepage)) {
        const auto entries = ini.sectionEntries(section, kRelabelBuffer, codepage);
        if (!entries) continue;
        for (const auto& e : *entries) triples.push_back({section, e.key, e.value});
    }

    bool changed = false;
    for (Triple& t : triples) {
        if (const int k = labelNumber(t.section, 16, networkLabel)) {
            std::string label = networkLabel(target, k);
            changed = changed || label != t.section;
            t.section = std::move(label);
        }
        if (const int n = labelNumber(t.key, kChannelCount, nodeLabel)) {
            std::string label = nodeLabel(target, n);
            std::string value = relabelChannelValue(t.value, n, target);
            changed = changed || label != t.key || value != t.value;
            t.key = std::move(label);
            t.value = std::move(value);
        }
    }
    if (!changed) return false;

    // The rewrite keeps only what was read; a file that holds more (a section listed twice, a
    // section too big for the buffer) would lose lines, so it is left as it is.
    if (ini.entryCount() != triples.size()) {
        sink.notice(GetText("IDS_Safety_ConfigUnconverted"), GetText("IDS_Safety_ConfigTooManyEntries"));
        return false;
    }
    if (IniFile::isReadOnly(configFile)) {
        sink.notice(GetText("IDS_Safety_ConfigReadOnly"), configFile.string());
        return false;
    }

    // Backup and restore work on the file a symlink names, so the link itself stays a link.
    const fs::path realFile = IniFile::writeTarget(configFile);
    fs::path backup = realFile;
    backup += ".bak";
    if (!fs::copy_file(realFile, backup, fs::copy_options::overwrite_existing, ec)) {
        sink.notice(GetText("IDS_Safety_ConfigUnconverted"), ec.message());
        return false;
    }
    IniFile rewritten;
    rewritten.setEncoding(ini.encoding());  // the file keeps its one encoding
    std::size_t written = 0;
    for (const Triple& t : triples) {
        if (t.section.empty() || t.key.empty()) continue;
        rewritten.writeString(t.section, t.key, t.value);
        ++written;
    }
    std::string error;
    bool ok = written > 0 && rewritten.save(configFile, &error);
    if (ok) {
        // Read back: every section readable and not empty, and as many entries as were read.
        const IniFile check = IniFile::load(configFile);
        std::size_t count = 0;
        for (const auto& section : check.sectionNames(kRelabelBuffer, codepage)) {
            const auto entries = check.sectionEntries(section, kRelabelBuffer, codepage);
            if (!entries || entries->empty()) ok = false;
            if (entries) count += entries->size();
        }
        ok = ok && count == triples.size();
        if (!ok) {
            // Copied back over the file (not renamed), so it keeps its inode, owner and mode.
            fs::copy_file(backup, realFile, fs::copy_options::overwrite_existing, ec);
            sink.notice(GetText("IDS_Safety_ConfigRestored"));
        }
    } else if (!error.empty()) {
        sink.notice(GetText("IDS_Safety_ConfigUnconverted"), error);
    }
    fs::remove(backup, ec);
    return ok;
}

}  // namespace talvex
