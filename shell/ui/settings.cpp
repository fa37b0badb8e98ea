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

bool writeSetting(const char* key, const std::string& value, std::string* error) {
    const auto path = appPaths().settingsFile();
    IniFile ini = IniFile::load(path);
    if (ini.value(kSection, key) == value) return true;
    ini.writeString(kSection, key, value);
    return ini.save(path, error);
}
}  // namespace

bool readProductionPagesSetting() {
    const IniFile ini = IniFile::load(appPaths().settingsFile());
    const auto value = ini.value(kSection, kKey);
    return value && *value == "1";
}

bool writeProductionPagesSetting(bool on, std::string* error) {
    return writeSetting(kKey, on ? "1" : "0", error);
}

int readSelectedChannelSetting() {
    const auto value = IniFile::load(appPaths().settingsFile()).value(kSection, kChannelKey);
    if (!value || value->empty() || value->size() > 2 ||
        value->find_first_not_of("0123456789") != std::string::npos)
        return 0;
    const int channel = std::stoi(*value);
    return channel >= 1 && channel <= kChannelCount ? channel : 0;
}

bool writeSelectedChannelSetting(int channel, std::string* error) {
    return writeSetting(kChannelKey, std::to_string(channel), error);
}

}  // namespace talvex::ui
