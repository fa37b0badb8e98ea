#include "talvex/ui/acquisition/page_factory.hpp"

#include <QComboBox>
#include <QPushButton>

#include "acquisition_page.hpp"
#include "channel_page.hpp"
#include "channel_store_link.hpp"
#include "curve_page.hpp"
#include "history_page.hpp"
#include "talvex/ui/main_window.hpp"

namespace talvex::ui {
namespace {

Page* makeChannelPage(const PageSite& site, QWidget* parent) {
    auto* page = new CVelPageCfg(pageContextOf(site), {}, parent);
    CMorvaneDlg* w = site.window;
    if (!w) return page;
    ChannelStore& store = site.channels ? *site.channels : w->channels();
    attachChannelStore(*page, store);
    // Cells reach the record as they are edited; the window asks for the rest before a selection moves.
    w->setChannelEditsSource([page] {
        page->commitEdit();
        ChannelEdits edits;
        edits.deviceMark = page->deviceMark().toStdString();
        edits.description = page->description().toStdString();
        return edits;
    });
    QObject::connect(w, &CMorvaneDlg::channelSelectionChanged, page, [page, w] {
        const SelectionResult& s = w->channelSelection();
        page->clearChannelFields();
        if (!s.isNode) return;
        CVelPageCfg::ParameterRows rows;
        for (const auto& r : s.rows)
            rows.emplace_back(QString::fromStdString(r.name), QString::fromStdString(r.value));
        page->setParameterRows(rows);
        page->setDeviceMark(QString::fromStdString(s.deviceMark));
        page->setDescription(QString::fromStdString(s.description));
    });
    // Connecting or disconnecting ends a search.
    QObject::connect(w->connectButton(), &QPushButton::clicked, page, [page] { page->stopSearch(); });
    QObject::connect(page, &CVelPageCfg::channelsChanged, w, [w] {
        w->refreshChannelColours();
        w->followSelectedSensor();
    });
    return page;
}

}  // namespace

Page* createAcquisitionLayerPage(PageSlot slot, const PageSite& site, QWidget* parent) {
    if (!site.core.engine || !site.core.store || !site.core.arbiter) return nullptr;
    switch (slot) {
        case PageSlot::Configuration:
            return makeChannelPage(site, parent);
        case PageSlot::Acquisition:
            return new CVelPageListData(pageContextOf(site), parent);
        case PageSlot::Curve: {
            auto* page = new CVelPageChart(pageContextOf(site), parent);
            if (site.window)
                QObject::connect(site.window, &CMorvaneDlg::chartPointsPending, page,
                                 &CVelPageChart::takeLivePoints);
            return page;
        }
        case PageSlot::History: {
            std::function<int()> baud;
            if (CMorvaneDlg* w = site.window)
                baud = [list = w->baudList()] { return list->currentText().toInt(); };
            return new CVelPageQuery(pageContextOf(site), std::move(baud), parent);
        }
        default:
            return nullptr;
    }
}

}  // namespace talvex::ui
