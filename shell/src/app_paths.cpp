#include "talvex/app_paths.hpp"

#include <cstdlib>
#include <mutex>

namespace talvex {
namespace fs = std::filesystem;
namespace {

std::mutex pathsMutex;  // guards currentPaths and pathsSet
AppPaths currentPaths;
bool pathsSet = false;

bool isFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

fs::path xdgDir(EnvLookup env, const char* var, const char* homeRelative) {
    if (auto v = env(var); v && !v->empty() && fs::path(*v).is_absolute()) return fs::path(*v) / "talvex";
    if (auto home = env("HOME"); home && !home->empty()) return fs::path(*home) / homeRelative / "talvex";
    return fs::temp_directory_path() / "talvex";
}

}  // namespace

std::optional<std::string> processEnv(const char* name) {
    const char* v = std::getenv(name);
    if (!v) return std::nullopt;
    return std::string(v);
}

fs::path AppPaths::installLanguageFile() const {
    std::error_code ec;
    const fs::path inConfig = configDir / "install_lang.ini";
    if (fs::exists(inConfig, ec) || programDir.empty()) return inConfig;
    return programDir / "install_lang.ini";
}

fs::path executableDir() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return fs::current_path(ec);
    return exe.parent_path();
}

AppPaths resolveAppPaths(const std::optional<std::string>& dataDirOption, const fs::path& programDir,
                         EnvLookup env) {
    AppPaths p;
    p.programDir = programDir;
    if (dataDirOption && !dataDirOption->empty()) {
        std::error_code ec;
        const fs::path dir = fs::absolute(*dataDirOption, ec);
        p.configDir = p.dataDir = ec ? fs::path(*dataDirOption) : dir;
        return p;
    }
    // Portable only when asked for: a writable program directory says nothing (an installed program
    // run by root would write its files into /usr/bin). An existing setting.ini counts as asking, so
    // every folder that ran portable before keeps its files.
    if (!programDir.empty() && (isFile(programDir / kPortableMarker) || isFile(programDir / "setting.ini"))) {
        p.portable = true;
        p.configDir = p.dataDir = programDir;
        return p;
    }
    p.configDir = xdgDir(env, "XDG_CONFIG_HOME", ".config");
    p.dataDir = xdgDir(env, "XDG_DATA_HOME", ".local/share");
    return p;
}

bool initAppPaths(const std::optional<std::string>& dataDirOption, std::string& error) {
    const AppPaths p = resolveAppPaths(dataDirOption, executableDir());
    for (const fs::path& dir : {p.configDir, p.dataDir}) {
        std::error_code ec;
        fs::create_directories(dir, ec);
        if (ec || !fs::is_directory(dir)) {
            error = "cannot create directory " + dir.string() + ": " + ec.message();
            return false;
        }
    }
    setAppPaths(p);
    return true;
}

AppPaths appPaths() {
    std::lock_guard lock(pathsMutex);
    if (!pathsSet) {
        currentPaths = resolveAppPaths(std::nullopt, executableDir());
        pathsSet = true;
    }
    return currentPaths;
}

void setAppPaths(const AppPaths& paths) {
    std::lock_guard lock(pathsMutex);
    currentPaths = paths;
    pathsSet = true;
}

}  // namespace talvex
