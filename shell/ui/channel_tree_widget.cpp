#include "talvex/ui/channel_tree_widget.hpp"

namespace talvex::ui {
namespace {
constexpr int kChannelRole = Qt::UserRole + 1;
}  // namespace

const QColor ChannelTreeWidget::kEnabledColour(0, 0, 0);
const QColor ChannelTreeWidget::kDisabledColour(192, 192, 192);

ChannelTreeWidget::ChannelTreeWidget(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    // The selection stays visible, white on blue, while the focus is on a page.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, QColor(0, 128, 220));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::white);
    setPalette(p);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &ChannelTreeWidget::onSelectionChanged);
}

void ChannelTreeWidget::build(const talvex::ChannelTree& tree) {
    quiet_ = true;
    clear();
    const QIcon rootIcon(QStringLiteral(":/talvex/icons/tree_root.svg"));
    const QIcon networkIcon(QStringLiteral(":/talvex/icons/tree_network.svg"));
    const QIcon nodeIcon(QStringLiteral(":/talvex/icons/tree_node.svg"));

    auto* root = new QTreeWidgetItem(this, QStringList{QString::fromStdString(tree.rootLabel)});
    root->setIcon(0, rootIcon);
    for (const auto& net : tree.networks) {
        auto* netItem = new QTreeWidgetItem(root, QStringList{QString::fromStdString(net.label)});
        netItem->setIcon(0, networkIcon);
        for (const auto& node : net.nodes) {
            auto* item = new QTreeWidgetItem(netItem, QStringList{QString::fromStdString(node.label)});
            item->setIcon(0, nodeIcon);
            item->setData(0, kChannelRole, node.channel);
            item->setForeground(0, node.enabled ? kEnabledColour : kDisabledColour);
        }
    }
    root->setExpanded(true);
    if (root->childCount() > 0) root->child(0)->setExpanded(true);
    quiet_ = false;
}

void ChannelTreeWidget::recolour(const talvex::ChannelTree& tree) {
    for (std::size_t n = 0; n < tree.networks.size(); ++n)
        for (std::size_t k = 0; k < tree.networks[n].nodes.size(); ++k)
            if (auto* item = itemAt({static_cast<int>(n), static_cast<int>(k)}))
                item->setForeground(0, tree.networks[n].nodes[k].enabled ? kEnabledColour : kDisabledColour);
}

int ChannelTreeWidget::channelOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, kChannelRole).toInt() : 0;
}

QTreeWidgetItem* ChannelTreeWidget::itemAt(ChannelPath path) const {
    QTreeWidgetItem* root = topLevelItem(0);
    if (!root) return nullptr;
    if (path.network < 0) return root;
    if (path.network >= root->childCount()) return nullptr;
    QTreeWidgetItem* net = root->child(path.network);
    if (path.node < 0) return net;
    return path.node < net->childCount() ? net->child(path.node) : nullptr;
}

std::optional<ChannelPath> ChannelTreeWidget::selectedPath() const {
    const auto items = selectedItems();
    if (items.isEmpty()) return std::nullopt;
    QTreeWidgetItem* item = items.first();
    QTreeWidgetItem* root = topLevelItem(0);
    if (item == root) return ChannelPath{};
    QTreeWidgetItem* net = item->parent();
    if (net == root) return ChannelPath{root->indexOfChild(item), -1};
    return ChannelPath{root->indexOfChild(net), net->indexOfChild(item)};
}

void ChannelTreeWidget::select(ChannelPath path) {
    if (auto* item = itemAt(path)) setCurrentItem(item);
}

ChannelTreeWidget::State ChannelTreeWidget::state() const {
    State s;
    QTreeWidgetItem* root = topLevelItem(0);
    if (!root) return s;
    s.rootExpanded = root->isExpanded();
    for (int i = 0; i < root->childCount(); ++i)
        if (root->child(i)->isExpanded()) s.expandedNetworks.push_back(i);
    if (auto path = selectedPath()) {
        s.hasSelection = true;
        s.selected = *path;
    }
    return s;
}

void ChannelTreeWidget::restore(const State& s) {
    QTreeWidgetItem* root = topLevelItem(0);
    if (!root) return;
    quiet_ = true;
    root->setExpanded(s.rootExpanded);
    for (int i = 0; i < root->childCount(); ++i) root->child(i)->setExpanded(false);
    for (int i : s.expandedNetworks)
        if (i < root->childCount()) root->child(i)->setExpanded(true);
    if (s.hasSelection) select(s.selected);
    quiet_ = false;
}

void ChannelTreeWidget::onSelectionChanged() {
    if (quiet_) return;
    if (auto path = selectedPath()) emit pathSelected(*path);
}

}  // namespace talvex::ui
