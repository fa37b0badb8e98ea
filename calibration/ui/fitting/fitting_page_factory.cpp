#include "talvex/ui/fitting/fitting_page_factory.hpp"

#include <QProgressBar>

#include "fitting_page.hpp"
#include "talvex/ui/main_window.hpp"

namespace talvex::ui {

Page* createFittingLayerPage(PageSlot slot, const PageSite& site, QWidget* parent) {
    if (slot != PageSlot::Fitting) return nullptr;
    FittingContext base;
    base.arbiter = site.core.arbiter;
    base.window = site.window;
    if (CMorvaneDlg* w = site.window) {
        QProgressBar* bar = w->progressBar();
        base.progress = [bar](int percent) {
            bar->setVisible(percent >= 0);
            if (percent >= 0) bar->setValue(percent);
        };
    }
    return new CVelPageFit(std::move(base), parent);
}

}  // namespace talvex::ui
