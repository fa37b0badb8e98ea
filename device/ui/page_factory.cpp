#include "talvex/ui/device/page_factory.hpp"

#include <QPushButton>

#include "device_parameters_page.hpp"
#include "optional_functions_page.hpp"
#include "talvex/ui/core/operation_runner.hpp"
#include "talvex/ui/main_window.hpp"

namespace talvex::ui {
namespace {

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
            auto* page = wire(new CVelPageSet(pageContextOf(site), parent), site.window);
            if (site.window)
                QObject::connect(site.window->connectButton(), &QPushButton::clicked, page,
                                 &CVelPageSet::stopWaiting);
            return page;
        }
        case PageSlot::Functions:
            return wire(new CVelPageFun(pageContextOf(site), parent), site.window);
        default:
            return nullptr;
    }
}

}  // namespace talvex::ui
