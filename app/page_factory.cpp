// One place where the page layers plug in: each layer offers a factory for the slots it fills (and
// wires its pages to the window there); the first layer that builds a page for a slot wins.
#include "page_factory.hpp"

#include "talvex/ui/page.hpp"

#include "talvex/ui/acquisition/page_factory.hpp"
#include "talvex/ui/calibration/page_factory.hpp"
#include "talvex/ui/device/page_factory.hpp"
#include "talvex/ui/diagnostics/bus_diagnostics.hpp"
#include "talvex/ui/fitting/fitting_page_factory.hpp"
#include "talvex/ui/production/page_factory.hpp"

namespace talvex::app {

ui::Page* createPage(ui::PageSlot slot, const ui::PageSite& site, QWidget* parent) {
    using LayerFactory = ui::Page* (*)(ui::PageSlot, const ui::PageSite&, QWidget*);
    constexpr LayerFactory layers[] = {
        ui::createDiagnosticsLayerPage,  // fills no tab; first, so that it is asked for the first slot
        ui::createAcquisitionLayerPage, ui::createDeviceLayerPage,      ui::createProductionLayerPage,
        ui::createFittingLayerPage,     ui::createCalibrationLayerPage,
    };
    for (LayerFactory make : layers)
        if (ui::Page* page = make(slot, site, parent)) return page;
    return nullptr;
}

}  // namespace talvex::app
