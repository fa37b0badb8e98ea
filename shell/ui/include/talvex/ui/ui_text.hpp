// Texts for widgets: every text a widget shows comes out of the active language table, through here.
#pragma once

#include <QString>
#include <string_view>

namespace talvex::ui {

// GetText of the active table.
QString uiText(std::string_view key);

// Registers the icons compiled into this library (a static library's resources are not picked up
// on their own). Idempotent.
void ensureResources();

}  // namespace talvex::ui
