#include "cli_text.hpp"

#include <filesystem>

#include "talvex/app_paths.hpp"
#include "talvex/ini_file.hpp"
#include "talvex/language.hpp"

namespace talvex::cli {

std::string cliText(std::string_view key, std::initializer_list<std::string_view> values) {
    return GetTextWith(key, values);
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
