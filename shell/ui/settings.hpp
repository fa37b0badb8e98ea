// The window's own entries in setting.ini (beside Setting/Language, which the language layer owns).
#pragma once

#include <string>

namespace talvex::ui {

// Setting/ProductionPages: whether the four production pages have tabs. Off when absent.
bool readProductionPagesSetting();
// The writers return false when setting.ini could not be written (error says why).
bool writeProductionPagesSetting(bool on, std::string* error = nullptr);

// Setting/Channel: the channel (1..48) selected when the program last ran; 0 when absent or invalid.
int readSelectedChannelSetting();
bool writeSelectedChannelSetting(int channel, std::string* error = nullptr);

}  // namespace talvex::ui
