#include "settings.hpp"

#include <string>

#include "talvex/app_paths.hpp"
#include "talvex/channel_table.hpp"
#include "talvex/ini_file.hpp"

namespace talvex::ui {
namespace {
constexpr const char* kSection = "Setting";
constexpr const char* kKey = "ProductionPages";
constexpr const char* kChannelKey = "Channel";

void writeSetting(const char* key, const std::string& value) {
    const auto path = appPaths().settingsFile();
    IniFile ini = IniFile::load(path);
    if (ini.value(kSection, key) == value) return;
    ini.writeString(kSection, key, value);
    ini.save(path);
}
}  // namespace

bool readProductionPagesSetting() {
    const IniFile ini = IniFile::load(appPaths().settingsFile());
    const auto value = ini.value(kSection, kKey);
    return value && *value == "1";
}

void writeProductionPagesSetting(bool on) {
    writeSetting(kKey, on ? "1" : "0");
}

int readSelectedChannelSetting() {
    const auto value = IniFile::load(appPaths().settingsFile()).value(kSection, kChannelKey);
    if (!value || value->empty() || value->size() > 2 ||
        value->find_first_not_of("0123456789") != std::string::npos)
        return 0;
    const int channel = std::stoi(*value);
    return channel >= 1 && channel <= kChannelCount ? channel : 0;
}

void writeSelectedChannelSetting(int channel) {
    writeSetting(kChannelKey, std::to_string(channel));
}

}  // namespace talvex::ui
