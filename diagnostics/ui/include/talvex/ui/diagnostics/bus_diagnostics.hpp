// Wires bus diagnostics into the main window: a link monitor for the run, View > Bus traffic (off by
// default; the action's object name is busTrafficAction) opening the traffic page (a child of the
// window named trafficWindow, made when first opened), and the link statistics of a sensor as its
// channel tree tooltip.
#pragma once

#include <QObject>
#include <QPointer>
#include <memory>

#include "talvex/diagnostics/link_monitor.hpp"
#include "talvex/ui/page_slots.hpp"

class QAction;

namespace talvex::ui {

class TrafficWindow;

class BusDiagnostics : public QObject {
    Q_OBJECT
  public:
    // Becomes a child of the window and lives as long as it does.
    explicit BusDiagnostics(CMorvaneDlg& window);
    ~BusDiagnostics() override;

    // The run's link monitor, which the traffic page and the tooltips read; the link's taps feed it.
    diagnostics::LinkMonitor& monitor() { return *monitor_; }
    // The tooltip text of a channel (1..48) of the tree.
    QString channelTooltip(int channel) const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void retranslate();
    void showTraffic(bool on);

    CMorvaneDlg& window_;
    std::unique_ptr<diagnostics::LinkMonitor> monitor_;
    QAction* action_ = nullptr;
    QPointer<TrafficWindow> traffic_;  // a child of the window, which may delete it first
};

// The diagnostics layer's entry in the page factory list: fills no tab, but installs BusDiagnostics on the
// window when asked for the first slot. List it before the layers that fill that slot.
Page* createDiagnosticsLayerPage(PageSlot slot, const PageSite& site, QWidget* parent);

}  // namespace talvex::ui
