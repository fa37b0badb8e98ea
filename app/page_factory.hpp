// The pages of the program's tabs, from whichever page layers were built.
#pragma once

#include "talvex/ui/page_slots.hpp"

namespace talvex::app {

// Builds the page of a slot, or nullptr while no layer provides it (the tab stays empty).
ui::Page* createPage(ui::PageSlot slot, const ui::PageSite& context, QWidget* parent);

}  // namespace talvex::app
