#include "channel_store_link.hpp"

#include "channel_page.hpp"
#include "talvex/channel_store.hpp"

namespace talvex::ui {

void attachChannelStore(CVelPageCfg& page, ChannelStore& store) {
    QObject::connect(&page, &CVelPageCfg::parameterEdited, &page,
                     [&store](int row, int column, const QString& text) {
                         ChannelEdits edits;
                         edits.cell = ChannelEdits::Cell{row, column, text.toStdString()};
                         store.commitEdits(edits);
                     });
    CVelPageCfg* p = &page;
    ChannelStoreOps ops;
    ops.channelNodeCount = [&store] {
        int n = 0;
        for (const auto& network : store.tree().networks) n += static_cast<int>(network.nodes.size());
        return n;
    };
    ops.saveSelectedChannel = [&store, p] {
        ChannelEdits edits;
        edits.deviceMark = p->deviceMark().toStdString();
        edits.description = p->description().toStdString();
        return store.SaveSelectedChannel(edits) == SaveOutcome::Saved;
    };
    ops.clearAllEnables = [&store] { store.ClearAllEnables(); };
    ops.assignSensorIds = [&store](const std::vector<int>& ids) { store.assignSensorIds(ids); };
    ops.applyAllChannels = [&store] { return store.ApplyAllChannels(); };
    ops.fillParameterRows = [&store, p] {
        CVelPageCfg::ParameterRows rows;
        for (const auto& r : store.FillParameterRows())
            rows.emplace_back(QString::fromStdString(r.name), QString::fromStdString(r.value));
        p->setParameterRows(rows);
    };
    page.setChannelStoreOps(std::move(ops));
}

}  // namespace talvex::ui
