// Where the settings and data files live. Portable mode keeps them beside the program when a
// `portable` marker file or a setting.ini is there; otherwise the XDG config directory holds
// setting.ini and Config.ini and the XDG data directory the database. `--data-dir DIR` puts
// everything in DIR.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace talvex {

// The file beside the program that asks for portable mode (its content is not read).
inline constexpr const char* kPortableMarker = "portable";

struct AppPaths {
    std::filesystem::path programDir;  // directory of the running executable
    std::filesystem::path configDir;   // setting.ini, Config.ini
    std::filesystem::path dataDir;     // SensorDB.db and other data
    bool portable = false;

    std::filesystem::path settingsFile() const { return configDir / "setting.ini"; }
    std::filesystem::path configFile() const { return configDir / "Config.ini"; }
    // install_lang.ini is written by an installer: looked for in the config directory, then beside
    // the program.
    std::filesystem::path installLanguageFile() const;
};

// Environment lookups are injected so the rule can be tested without touching the process.
using EnvLookup = std::optional<std::string> (*)(const char* name);
std::optional<std::string> processEnv(const char* name);

// Works out the paths without creating anything.
AppPaths resolveAppPaths(const std::optional<std::string>& dataDirOption,
                         const std::filesystem::path& programDir, EnvLookup env = processEnv);

std::filesystem::path executableDir();

// Resolves the paths for this process, creates the directories and makes them current.
// Every program calls it once at start with its parsed `--data-dir` option.
bool initAppPaths(const std::optional<std::string>& dataDirOption, std::string& error);

// The current paths (resolved without an option when initAppPaths was not called).
AppPaths appPaths();
void setAppPaths(const AppPaths& paths);

}  // namespace talvex
