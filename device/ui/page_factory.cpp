#include "talvex/ui/device/page_factory.hpp"

#include <QProgressBar>
#include <QPushButton>

#include "device_parameters_page.hpp"
#include "optional_functions_page.hpp"
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

// The identity labels follow the tree's selection; connect/disconnect ends a running operation.
template <class PageType>
PageType* wire(PageType* page, CMorvaneDlg* w) {
    if (!w) return page;
    page->runner().attachToWindow(w);
    QObject::connect(w, &CMorvaneDlg::channelSelectionChanged, page, [page, w] {
        const SelectionResult& s = w->channelSelection();
        page->setChannel(QString::fromStdString(s.deviceMark), QString::fromStdString(s.sensorIdText));
    });
    return page;
}

}  // namespace

Page* createDeviceLayerPage(PageSlot slot, const PageSite& site, QWidget* parent) {
    if (!site.core.arbiter) return nullptr;
    switch (slot) {
        case PageSlot::DeviceParameters: {
            auto* page = wire(new CVelPageSet(contextOf(site), parent), site.window);
            if (site.window)
                QObject::connect(site.window->connectButton(), &QPushButton::clicked, page,
                                 &CVelPageSet::stopWaiting);
            return page;
        }
        case PageSlot::Functions:
            return wire(new CVelPageFun(contextOf(site), parent), site.window);
        default:
            return nullptr;
    }
}

}  // namespace talvex::ui
