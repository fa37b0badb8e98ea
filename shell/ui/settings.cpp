#include "shell/ui/settings.hpp"

#include "talvex/app_paths.hpp"
#include "talvex/ini_file.hpp"

namespace talvex::ui {
namespace {
constexpr const char* kSection = "Setting";
constexpr const char* kKey = "ProductionPages";
}  // namespace

bool readProductionPagesSetting() {
    const IniFile ini = IniFile::load(appPaths().settingsFile());
    const auto value = ini.value(kSection, kKey);
    return value && *value == "1";
}

void writeProductionPagesSetting(bool on) {
    const auto path = appPaths().settingsFile();
    IniFile ini = IniFile::load(path);
    ini.writeString(kSection, kKey, on ? "1" : "0");
    ini.save(path, Codepage::Ascii);
}

}  // namespace talvex::ui
