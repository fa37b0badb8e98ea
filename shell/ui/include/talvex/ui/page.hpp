// A tab page of the main window. The window calls these on a language switch and when the
// channel tree selects another sensor; pages own nothing of the core, they show it.
#pragma once

#include <QWidget>

namespace talvex::ui {

class Page : public QWidget {
  public:
    using QWidget::QWidget;
    // Re-label every text from the active language table.
    virtual void retranslate() = 0;
    // The selected sensor changed: reload what the page shows of it.
    virtual void selectedSensorChanged() {}
};

}  // namespace talvex::ui
