#include "talvex/ui/diagnostics/bus_diagnostics.hpp"

#include <QAction>
#include <QHelpEvent>
#include <QMenu>
#include <QToolTip>
#include <QTreeWidgetItem>

#include "talvex/channel_table.hpp"
#include "talvex/ui/channel_tree_widget.hpp"
#include "talvex/ui/main_window.hpp"
#include "talvex/ui/ui_text.hpp"
#include "traffic_window.hpp"

namespace talvex::ui {

BusDiagnostics::BusDiagnostics(CMorvaneDlg& window)
    : QObject(&window), window_(window), monitor_(std::make_unique<diagnostics::LinkMonitor>()) {
    action_ = window.viewMenu()->addAction(QString());
    action_->setObjectName(QStringLiteral("busTrafficAction"));
    action_->setCheckable(true);
    connect(action_, &QAction::toggled, this, [this](bool on) { showTraffic(on); });
    window.tree()->viewport()->installEventFilter(this);
    connect(&window, &CMorvaneDlg::languageSwitched, this, [this] { retranslate(); });
    retranslate();
}

BusDiagnostics::~BusDiagnostics() {
    // Before the monitor it reads; unwatched first, so its own teardown's events do not reach a
    // filter that would look at a half-destroyed window.
    if (traffic_) traffic_->removeEventFilter(this);
    delete traffic_.data();
}

void BusDiagnostics::retranslate() {
    action_->setText(uiText("IDS_Diag_ViewTraffic"));
    if (traffic_) traffic_->retranslate();
}

void BusDiagnostics::showTraffic(bool on) {
    if (on && !traffic_) {
        traffic_ = new TrafficWindow(*monitor_, &window_);
        traffic_->setObjectName(QStringLiteral("trafficWindow"));
        traffic_->setAttribute(Qt::WA_DeleteOnClose, false);
        // Closing the window by its frame unchecks the menu entry.
        traffic_->installEventFilter(this);
    }
    if (!traffic_) return;
    traffic_->setVisible(on);
    if (on) traffic_->raise();
}

QString BusDiagnostics::channelTooltip(int channel) const {
    const auto entry = session().enumUintEN.get(channel);
    return statisticsTooltip(monitor_->statistics().slave(entry.sensorId));
}

bool BusDiagnostics::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close && watched == traffic_) {
        QSignalBlocker block(action_);
        action_->setChecked(false);
        return false;
    }
    if (event->type() != QEvent::ToolTip || watched != window_.tree()->viewport()) return false;
    auto* help = static_cast<QHelpEvent*>(event);
    const QTreeWidgetItem* item = window_.tree()->QTreeWidget::itemAt(help->pos());
    const int channel = item ? ChannelTreeWidget::channelOf(item) : 0;
    if (channel < 1) return false;  // the root and networks keep their own tooltips
    QToolTip::showText(help->globalPos(), channelTooltip(channel), window_.tree()->viewport());
    return true;
}

Page* createDiagnosticsLayerPage(PageSlot slot, const PageSite& site, QWidget*) {
    if (slot == PageSlot::Configuration && site.window) new BusDiagnostics(*site.window);
    return nullptr;
}

}  // namespace talvex::ui
