// One place where the page layers plug in: each layer's pages are made here, with what they need
// of the window wired to them.
#include "page_factory.hpp"

#include <QProgressBar>

#include "shell/ui/main_window.hpp"
#include "shell/ui/page.hpp"

#if HAVE_TALVEX_ACQUISITION_UI
#include "acquisition/ui/acquisition_page.hpp"
#include "acquisition/ui/channel_page.hpp"
#include "acquisition/ui/channel_store_link.hpp"
#include "acquisition/ui/curve_page.hpp"
#include "acquisition/ui/page_context.hpp"
#include "talvex/channel_store.hpp"
#endif

namespace talvex::app {
namespace {

#if HAVE_TALVEX_ACQUISITION_UI
ui::PageContext acquisitionContext(const ui::PageSite& site) {
    ui::PageContext c;
    c.engine = site.core.engine;
    c.store = site.core.store;
    c.arbiter = site.core.arbiter;
    c.databasePath = site.databasePath;
    c.model = site.model;
    if (ui::CMorvaneDlg* w = site.window) {
        c.progress = [w](int percent) {
            QProgressBar* bar = w->progressBar();
            bar->setVisible(percent >= 0);
            if (percent >= 0) bar->setValue(percent);
        };
    }
    return c;
}

// The channel parameters page edits the window's channel store; the tree shows what it changed.
ui::Page* channelPage(const ui::PageSite& site, QWidget* parent) {
    auto* page = new ui::CVelPageCfg(acquisitionContext(site), {}, parent);
    ui::CMorvaneDlg* w = site.window;
    if (!w || !site.channels) return page;
    ChannelStore& store = *site.channels;
    ui::attachChannelStore(*page, store);
    // Saving or applying recolours the tree; the ops below wrap the store's own.
    ui::ChannelStoreOps ops;
    ops.channelNodeCount = [&store] {
        int n = 0;
        for (const auto& network : store.tree().networks) n += static_cast<int>(network.nodes.size());
        return n;
    };
    ops.saveSelectedChannel = [&store, page, w] {
        ChannelEdits edits;
        edits.deviceMark = page->deviceMark().toStdString();
        edits.description = page->description().toStdString();
        const bool saved = store.SaveSelectedChannel(edits) == SaveOutcome::Saved;
        w->refreshChannelColours();
        return saved;
    };
    ops.clearAllEnables = [&store] { store.ClearAllEnables(); };
    ops.assignSensorIds = [&store](const std::vector<int>& ids) { store.AssignSensorIds(ids); };
    ops.applyAllChannels = [&store, w] {
        const bool ok = store.ApplyAllChannels();
        w->refreshChannelColours();
        return ok;
    };
    ops.fillParameterRows = [&store, page] {
        ui::CVelPageCfg::ParameterRows rows;
        for (const auto& r : store.FillParameterRows())
            rows.emplace_back(QString::fromStdString(r.name), QString::fromStdString(r.value));
        page->setParameterRows(rows);
    };
    page->setChannelStoreOps(std::move(ops));

    // Before the tree selection moves, the open cell and the text fields go into the old channel.
    w->setChannelEditsSource([page] {
        page->commitEdit();
        ChannelEdits edits;
        edits.deviceMark = page->deviceMark().toStdString();
        edits.description = page->description().toStdString();
        return edits;
    });
    QObject::connect(w, &ui::CMorvaneDlg::channelSelectionChanged, page, [page, w] {
        const SelectionResult& s = w->channelSelection();
        if (!s.isNode) {
            page->clearChannelFields();
            return;
        }
        ui::CVelPageCfg::ParameterRows rows;
        for (const auto& r : s.rows)
            rows.emplace_back(QString::fromStdString(r.name), QString::fromStdString(r.value));
        page->setParameterRows(rows);
        page->setDeviceMark(QString::fromStdString(s.deviceMark));
        page->setDescription(QString::fromStdString(s.description));
    });
    return page;
}

ui::Page* curvePage(const ui::PageSite& site, QWidget* parent) {
    auto* page = new ui::CVelPageChart(acquisitionContext(site), parent);
    if (site.window && site.core.engine)
        QObject::connect(site.window, &ui::CMorvaneDlg::chartPointsPending, page,
                         &ui::CVelPageChart::takeLivePoints);
    return page;
}
#endif

}  // namespace

ui::Page* createPage(ui::PageSlot slot, const ui::PageSite& site, QWidget* parent) {
    (void)site;
    (void)parent;
    switch (slot) {
#if HAVE_TALVEX_ACQUISITION_UI
        case ui::PageSlot::Configuration:
            return channelPage(site, parent);
        case ui::PageSlot::Acquisition:
            return new ui::CVelPageListData(acquisitionContext(site), parent);
        case ui::PageSlot::Curve:
            return curvePage(site, parent);
#endif
        default:
            break;
    }
    return nullptr;
}

}  // namespace talvex::app
