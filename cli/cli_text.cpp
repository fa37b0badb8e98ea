#include "cli_text.hpp"

#include <filesystem>

#include "talvex/app_paths.hpp"
#include "talvex/ini_file.hpp"
#include "talvex/language.hpp"

namespace talvex::cli {

std::string cliText(std::string_view key, std::initializer_list<std::string_view> values) {
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

void useDefaultDirLanguage() {
    const std::filesystem::path file = resolveAppPaths(std::nullopt, executableDir()).settingsFile();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return;
    const IniFile settings = IniFile::load(file);
    setActiveLanguage(
        languageFromName(settings.getString("Setting", "Language", "English", 1000, Codepage::Ascii)));
}

}  // namespace talvex::cli
