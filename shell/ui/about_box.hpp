// The About box: program icon, name and version.
#pragma once

class QWidget;

namespace talvex::ui {

void showAboutBox(QWidget* parent);

}  // namespace talvex::ui
