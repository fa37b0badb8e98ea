// Language tables, the active language and the settings files that remember it.
#include "talvex/language.hpp"

#include <atomic>
#include <unordered_map>

#include "language_tables.hpp"
#include "talvex/ini_file.hpp"

namespace talvex {
namespace {

constexpr std::string_view kNotFound = "Not found";

std::atomic<Language> active{Language::English};

std::string_view trimView(std::string_view s) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Entries of section "String", keyed by the lower-case key; the first entry of a key wins.
using TextMap = std::unordered_map<std::string, std::string>;

TextMap parseTable(std::string_view text) {
    TextMap map;
    bool inStrings = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = trimView(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[' && line.back() == ']') {
            inStrings = equalsNoCase(trimView(line.substr(1, line.size() - 2)), "String");
            continue;
        }
        if (!inStrings) continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        map.try_emplace(lowerAscii(trimView(line.substr(0, eq))), std::string(trimView(line.substr(eq + 1))));
    }
    return map;
}

// Built once, then only read: safe to use from any thread.
// The main table and its topic fragments as one INI text.
std::string joinedTable(Language language) {
    std::string text;
    const auto parts = language == Language::Chinese ? tables::chineseParts() : tables::englishParts();
    for (const std::string_view* part : parts) {
        text.append(*part);
        if (!text.empty() && text.back() != '\n') text.push_back('\n');
    }
    return text;
}

const std::string& joined(Language language) {
    static const std::string english = joinedTable(Language::English);
    static const std::string chinese = joinedTable(Language::Chinese);
    return language == Language::Chinese ? chinese : english;
}

const TextMap& table(Language language) {
    static const TextMap english = parseTable(joined(Language::English));
    static const TextMap chinese = parseTable(joined(Language::Chinese));
    return language == Language::Chinese ? chinese : english;
}

std::string withLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out.push_back('\n');
            ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

}  // namespace

Language activeLanguage() {
    return active.load(std::memory_order_acquire);
}
void setActiveLanguage(Language language) {
    active.store(language, std::memory_order_release);
}

std::optional<std::string> findTableText(Language language, std::string_view key) {
    const TextMap& map = table(language);
    const auto it = map.find(lowerAscii(key));
    if (it == map.end()) return std::nullopt;
    return it->second;
}

std::string GetTextIn(Language language, std::string_view key) {
    auto text = findTableText(language, key);
    return text ? withLineBreaks(*text) : std::string(kNotFound);
}

std::string GetText(std::string_view key) {
    return GetTextIn(activeLanguage(), key);
}

std::string GetTextWith(std::string_view key, std::initializer_list<std::string_view> values) {
    const std::string pattern = GetText(key);
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            const auto n = static_cast<std::size_t>(pattern[i + 1] - '1');
            if (n < values.size()) out += *(values.begin() + n);
            ++i;
            continue;
        }
        out.push_back(c);
    }
    return out;
}

std::string captionText(std::string_view key) {
    return findTableText(activeLanguage(), key).value_or("");
}

std::string_view languageTable(Language language) {
    return joined(language);
}

std::string_view languageName(Language language) {
    return language == Language::Chinese ? "Chinese" : "English";
}

Language languageFromName(std::string_view name) {
    return equalsNoCase(trimView(name), "Chinese") ? Language::Chinese : Language::English;
}

bool LoadLanguage(const std::filesystem::path& settingsFile, std::string_view name, std::string* error) {
    IniFile settings = IniFile::load(settingsFile);
    std::string chosen(name);
    if (chosen.empty()) chosen = settings.getString("Setting", "Language", "English", 1000, Codepage::Ascii);
    const Language language = languageFromName(chosen);
    setActiveLanguage(language);
    // Nothing to write when the file already holds the choice: a start leaves setting.ini alone.
    if (settings.value("Setting", "Language") == std::optional<std::string>(chosen)) return true;
    settings.writeString("Setting", "Language", chosen);
    return settings.save(settingsFile, error);
}

bool LoadLanguage(std::string_view name) {
    return LoadLanguage(appPaths().settingsFile(), name);
}

std::string DetectInstallLanguage(const std::filesystem::path& installLanguageFile, EnvLookup env) {
    const IniFile install = IniFile::load(installLanguageFile);
    std::string name = install.getString("Setup", "Language", "", 64, Codepage::Ascii);
    if (!name.empty()) return name;
    for (const char* var : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const auto value = env(var);
        if (!value || value->empty()) continue;
        const std::string first = value->substr(0, value->find(':'));
        return lowerAscii(first).starts_with("zh") ? "Chinese" : "English";
    }
    return "English";
}

std::string DetectInstallLanguage() {
    return DetectInstallLanguage(appPaths().installLanguageFile());
}

LanguageStartup startLanguage(const AppPaths& paths, EnvLookup env) {
    LanguageStartup result;
    const std::filesystem::path settingsFile = paths.settingsFile();
    std::error_code ec;
    std::string detected;  // kept in hand when setting.ini cannot hold it
    if (!std::filesystem::exists(settingsFile, ec)) {
        result.createdSettings = true;
        detected = DetectInstallLanguage(paths.installLanguageFile(), env);
        IniFile settings = IniFile::parse(kDefaultSettings);
        settings.writeString("Setting", "Language", detected);
        if (settings.save(settingsFile, &result.error))
            detected.clear();
        else
            result.ok = false;
    }
    std::string error;
    if (!LoadLanguage(settingsFile, detected, &error) && result.ok) {
        result.ok = false;
        result.error = error;
    }
    return result;
}

void useDefaultDirLanguage() {
    const std::filesystem::path file = resolveAppPaths(std::nullopt, executableDir()).settingsFile();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return;
    const IniFile settings = IniFile::load(file);
    setActiveLanguage(
        languageFromName(settings.getString("Setting", "Language", "English", 1000, Codepage::Ascii)));
}

}  // namespace talvex
