// This layer's pages for the main window's page factory: the channel parameters, acquisition, curve
// and history pages, wired to the window (tree selection, chart points, progress bar, connect button).
#pragma once

#include "talvex/ui/page_slots.hpp"

class QWidget;

namespace talvex::ui {

class Page;

// The page of slot, or nullptr when this layer provides none for it.
Page* createAcquisitionLayerPage(PageSlot slot, const PageSite& site, QWidget* parent);

}  // namespace talvex::ui
