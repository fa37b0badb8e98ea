#include "talvex/ui/calibration/page_factory.hpp"

#include <QPushButton>

#include "calibration_page.hpp"
#include "talvex/ui/main_window.hpp"

namespace talvex::ui {

Page* createCalibrationLayerPage(PageSlot slot, const PageSite& site, QWidget* parent) {
    if (slot != PageSlot::Calibration || !site.core.arbiter) return nullptr;
    PageContext ctx = pageContextOf(site);
    CalibrationPageOptions options;
    CMorvaneDlg* w = site.window;
    if (w) options.log = [w](const QString& line) { w->appendLog(line + QStringLiteral("\r\n")); };
    auto* page = new CVelPageCal(std::move(ctx), std::move(options), parent);
    if (w) {
        // The connect button closed the port: a wireless handshake stops at once.
        QObject::connect(w->connectButton(), &QPushButton::clicked, page, [page, w] {
            if (!w->connected()) page->linkClosed();
        });
    }
    return page;
}

}  // namespace talvex::ui
