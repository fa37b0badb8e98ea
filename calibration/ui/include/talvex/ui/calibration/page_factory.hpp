// This layer's page for the main window's page factory: the calibration page, wired to the
// window's log box and connect button.
#pragma once

#include "talvex/ui/page_slots.hpp"

class QWidget;

namespace talvex::ui {

class Page;

// The page of slot, or nullptr when this layer provides none for it.
Page* createCalibrationLayerPage(PageSlot slot, const PageSite& site, QWidget* parent);

}  // namespace talvex::ui
