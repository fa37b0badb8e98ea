// Texts for widgets: the active language table as QString, plus the few texts of the window's own
// additions that the tables do not carry.
#pragma once

#include <QString>
#include <string_view>

namespace talvex::ui {

// GetText of the active table.
QString uiText(std::string_view key);

// One of two fixed texts by the active language (menu entries the tables have no key for).
QString localText(const char* english, const char* chinese);

// Registers the icons compiled into this library (a static library's resources are not picked up
// on their own). Idempotent.
void ensureResources();

}  // namespace talvex::ui
