// The window's own entries in setting.ini (beside Setting/Language, which the language layer owns).
#pragma once

namespace talvex::ui {

// Setting/ProductionPages: whether the four production pages have tabs. Off when absent.
bool readProductionPagesSetting();
void writeProductionPagesSetting(bool on);

// Setting/Channel: the channel (1..48) selected when the program last ran; 0 when absent or invalid.
int readSelectedChannelSetting();
void writeSelectedChannelSetting(int channel);

}  // namespace talvex::ui
