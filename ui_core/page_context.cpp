#include "talvex/ui/core/page_context.hpp"

#include <QProgressBar>

#include "talvex/ui/main_window.hpp"

namespace talvex::ui {

PageContext pageContextOf(const PageSite& site) {
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

}  // namespace talvex::ui
