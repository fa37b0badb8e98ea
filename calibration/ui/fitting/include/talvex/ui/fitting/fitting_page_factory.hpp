// The fitting layer's pages for the main window (app/page_factory.cpp lists the layers).
#pragma once

#include "talvex/ui/page_slots.hpp"

namespace talvex::ui {

// The fitting page for PageSlot::Fitting; nullptr for every other slot.
Page* createFittingLayerPage(PageSlot slot, const PageSite& site, QWidget* parent);

}  // namespace talvex::ui
