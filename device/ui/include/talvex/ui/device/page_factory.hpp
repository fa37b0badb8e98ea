// This layer's pages for the main window's page factory: the device parameters page and the
// optional-functions page (a production page: its tab shows under View > Production pages).
#pragma once

#include "talvex/ui/page_slots.hpp"

class QWidget;

namespace talvex::ui {

class Page;

// The page of slot, or nullptr when this layer provides none for it.
Page* createDeviceLayerPage(PageSlot slot, const PageSite& site, QWidget* parent);

}  // namespace talvex::ui
