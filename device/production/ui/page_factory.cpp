#include "talvex/ui/production/page_factory.hpp"

#include "import_page.hpp"
#include "production_page.hpp"
#include "talvex/ui/core/operation_runner.hpp"
#include "talvex/ui/main_window.hpp"

namespace talvex::ui {
namespace {

template <class P>
Page* attached(P* page, const PageSite& site) {
    if (site.window) page->runner()->attachToWindow(site.window);
    return page;
}

}  // namespace

Page* createProductionLayerPage(PageSlot slot, const PageSite& site, QWidget* parent) {
    if (!site.core.arbiter) return nullptr;
    switch (slot) {
        case PageSlot::Production:
            return attached(new CVelPageProd(pageContextOf(site), parent), site);
        case PageSlot::Import:
            return attached(new CVelPageLoad(pageContextOf(site), parent), site);
        default:
            return nullptr;
    }
}

}  // namespace talvex::ui
