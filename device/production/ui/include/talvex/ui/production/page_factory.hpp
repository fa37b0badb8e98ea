// The production layer's pages: production parameters and parameter import.
#pragma once

#include "talvex/ui/page_slots.hpp"

namespace talvex::ui {

Page* createProductionLayerPage(PageSlot slot, const PageSite& site, QWidget* parent);

}  // namespace talvex::ui
