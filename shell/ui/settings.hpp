// The window's own entries in setting.ini (beside Setting/Language, which the language layer owns).
#pragma once

namespace talvex::ui {

// Setting/ProductionPages: whether the four production pages have tabs. Off when absent.
bool readProductionPagesSetting();
void writeProductionPagesSetting(bool on);

}  // namespace talvex::ui
