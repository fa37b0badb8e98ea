// The channel tree: a root, the networks, their nodes (at most 48 channels), as the channel store
// lays them out. Enabled channels in black, disabled ones in grey.
#pragma once

#include <QTreeWidget>
#include <vector>

#include "talvex/channel_store.hpp"

namespace talvex::ui {

class ChannelTreeWidget : public QTreeWidget {
    Q_OBJECT
  public:
    static const QColor kEnabledColour;
    static const QColor kDisabledColour;

    // Which items are expanded and which one is selected, by position, to survive a rebuild.
    struct State {
        bool rootExpanded = false;
        std::vector<int> expandedNetworks;
        bool hasSelection = false;
        ChannelPath selected;  // network -1: the root
    };

    explicit ChannelTreeWidget(QWidget* parent = nullptr);

    // Replaces every item; expands the root and the first network. Emits nothing.
    void build(const talvex::ChannelTree& tree);
    // Re-reads the enabled flags (after the channel page saved or applied channels).
    void recolour(const talvex::ChannelTree& tree);

    // Position of the selected item; nullopt when nothing is selected.
    std::optional<ChannelPath> selectedPath() const;
    QTreeWidgetItem* itemAt(ChannelPath path) const;
    // Channel number (1..48) of a node item, 0 for the root and networks.
    static int channelOf(const QTreeWidgetItem* item);
    void select(ChannelPath path);

    State state() const;
    // Re-applies a state after build(); emits no selection signal.
    void restore(const State& s);

  signals:
    // The user (or select()) selected another item: a node, a network or the root.
    void pathSelected(talvex::ChannelPath path);

  private:
    void onSelectionChanged();

    bool quiet_ = false;
};

}  // namespace talvex::ui
