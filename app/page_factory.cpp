// One place where the page layers plug in: each layer offers a factory for the slots it fills (and
// wires its pages to the window there); the first layer that builds a page for a slot wins.
#include "page_factory.hpp"

#include "talvex/ui/page.hpp"

#if HAVE_TALVEX_ACQUISITION_UI
#include "talvex/ui/acquisition/page_factory.hpp"
#endif
#if HAVE_TALVEX_DEVICE_UI
#include "talvex/ui/device/page_factory.hpp"
#endif
#if HAVE_TALVEX_PRODUCTION_UI
#include "talvex/ui/production/page_factory.hpp"
#endif
#if HAVE_TALVEX_FITTING_UI
#include "talvex/ui/fitting/fitting_page_factory.hpp"
#endif
#if HAVE_TALVEX_DIAGNOSTICS_UI
#include "talvex/ui/diagnostics/bus_diagnostics.hpp"
#endif
#if HAVE_TALVEX_CALIBRATION_UI
#include "talvex/ui/calibration/page_factory.hpp"
#endif

namespace talvex::app {

ui::Page* createPage(ui::PageSlot slot, const ui::PageSite& site, QWidget* parent) {
    using LayerFactory = ui::Page* (*)(ui::PageSlot, const ui::PageSite&, QWidget*);
    constexpr LayerFactory layers[] = {
#if HAVE_TALVEX_DIAGNOSTICS_UI
        ui::createDiagnosticsLayerPage,  // fills no tab; first, so that it is asked for the first slot
#endif
#if HAVE_TALVEX_ACQUISITION_UI
        ui::createAcquisitionLayerPage,
#endif
#if HAVE_TALVEX_DEVICE_UI
        ui::createDeviceLayerPage,
#endif
#if HAVE_TALVEX_PRODUCTION_UI
        ui::createProductionLayerPage,
#endif
#if HAVE_TALVEX_FITTING_UI
        ui::createFittingLayerPage,
#endif
#if HAVE_TALVEX_CALIBRATION_UI
        ui::createCalibrationLayerPage,
#endif
        nullptr,
    };
    for (LayerFactory make : layers)
        if (make)
            if (ui::Page* page = make(slot, site, parent)) return page;
    return nullptr;
}

}  // namespace talvex::app
