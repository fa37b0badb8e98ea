#include "talvex/ui/production/page_factory.hpp"

#include <QProgressBar>

#include "import_page.hpp"
#include "production_page.hpp"
#include "talvex/ui/acquisition/operation_runner.hpp"
#include "talvex/ui/main_window.hpp"

namespace talvex::ui {
namespace {

PageContext contextOf(const PageSite& site) {
    PageContext ctx;
    ctx.engine = site.core.engine;
    ctx.store = site.core.store;
    ctx.arbiter = site.core.arbiter;
    ctx.databasePath = site.databasePath;
    ctx.model = site.model;
    if (CMorvaneDlg* w = site.window) {
        QProgressBar* bar = w->progressBar();
        ctx.progress = [bar](int percent) {
            if (percent < 0) {
                bar->hide();
                bar->setValue(0);
                return;
            }
            bar->setRange(0, 100);
            bar->setValue(percent);
            bar->show();
        };
    }
    return ctx;
}

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
            return attached(new CVelPageProd(contextOf(site), parent), site);
        case PageSlot::Import:
            return attached(new CVelPageLoad(contextOf(site), parent), site);
        default:
            return nullptr;
    }
}

}  // namespace talvex::ui
