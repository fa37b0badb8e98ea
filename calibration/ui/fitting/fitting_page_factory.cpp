#include "talvex/ui/fitting/fitting_page_factory.hpp"

#include "fitting_page.hpp"
#include "talvex/ui/core/page_context.hpp"
#include "talvex/ui/main_window.hpp"

namespace talvex::ui {

Page* createFittingLayerPage(PageSlot slot, const PageSite& site, QWidget* parent) {
    if (slot != PageSlot::Fitting) return nullptr;
    FittingContext base;
    base.arbiter = site.core.arbiter;
    base.window = site.window;
    base.progress = pageContextOf(site).progress;
    return new CVelPageFit(std::move(base), parent);
}

}  // namespace talvex::ui
