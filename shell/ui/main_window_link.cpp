// The main window's link side: connect and disconnect, the link's health, and the poller's log
// text and chart points, which arrive as queued calls on the UI thread.
#include <QComboBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include "talvex/ui/log_box.hpp"
#include "talvex/ui/main_window.hpp"
#include "talvex/ui/prompter.hpp"
#include "talvex/ui/ui_text.hpp"

namespace talvex::ui {

void CMorvaneDlg::attachPoller() {
    connect(log_, &LogBox::loggingChanged, this, [this](bool on) { channels_.setLogEntries(on); });
    if (!link_) return;
    link_->setLogging(log_->logging());
    connect(log_, &LogBox::loggingChanged, this, [this](bool on) { link_->setLogging(on); });
    // The hooks run on the poller thread: they only queue a call to this window.
    WindowLink::PollerHooks hooks;
    hooks.logPending = [this] {
        QMetaObject::invokeMethod(this, &CMorvaneDlg::takePendingLog, Qt::QueuedConnection);
    };
    hooks.chartPointsPending = [this] {
        QMetaObject::invokeMethod(this, &CMorvaneDlg::chartPointsPending, Qt::QueuedConnection);
    };
    // Shown whatever the Recv box says: records that are not being stored must not go unnoticed.
    hooks.noticesPending = [this] {
        QMetaObject::invokeMethod(
            this, [this] { log_->appendNotice(QString::fromStdString(link_->takeNotices())); },
            Qt::QueuedConnection);
    };
    link_->startPolling(std::move(hooks));
}

void CMorvaneDlg::detachPoller() {
    // Stop the poller before the hooks' target goes away; the window ends the run.
    if (link_) link_->stopPolling();
}

void CMorvaneDlg::takePendingLog() {
    if (!link_) return;
    const std::string text = link_->takeLog();
    if (!text.empty()) log_->append(QString::fromStdString(text));
}

void CMorvaneDlg::toggleConnection() {
    if (connected_) {
        closeLink(QString());
        return;
    }
    const int baud = kBaudRates[std::clamp(bauds_->currentIndex(), 0, int(std::size(kBaudRates)) - 1)];
    // A listed entry opens its device; any other text is a device path the user typed
    // (/dev/serial/by-id/..., a pty made by talvex-sim).
    const QString text = ports_->currentText().trimmed();
    const int listed = ports_->findText(text);
    if (!link_) return;
    WindowLink::Opened result;
    if (listed >= 0 && ports_->itemData(listed, kPortKindRole).toString() == QLatin1String("sim")) {
        result = link_->openSimulatedBus(baud, options_.model);
    } else if (listed >= 0) {
        const std::string path = deviceFromListText(text.toStdString());
        if (path.empty()) return;
        result = link_->openDevice(path, baud);
    } else {
        if (text.isEmpty()) return;
        result = link_->openDevice(text.toStdString(), baud);
    }
    if (!result.ok) {
        // The system's text first, then why and what to do (for a permission problem: the group).
        const QString reason = QString::fromStdString(result.reason);
        log_->appendNotice(reason + QStringLiteral("\r\n"));
        activePrompter().message(
            this,
            uiText("IDD_Message_SPNF") + (reason.isEmpty() ? QString() : QStringLiteral("\n\n") + reason), {},
            Prompter::Icon::Stop);
        return;
    }
    showConnectedState(true);
}

void CMorvaneDlg::closeLink(const QString& why) {
    if (closer_) return;  // a disconnect is already under way
    // The poller must leave the link before the port closes; a slot waiting out a silent sensor's
    // time-out and retry takes seconds, so the wait runs on a thread of its own.
    connect_->setEnabled(false);
    closer_ = QThread::create([link = link_] { link->close(); });
    closer_->setParent(this);  // a window that ends first takes the finished thread with it
    connect(closer_, &QThread::finished, this, [this, why, thread = closer_] {
        thread->deleteLater();
        if (closer_ != thread) return;  // the window already closed the link itself
        closer_ = nullptr;
        connect_->setEnabled(true);
        showConnectedState(false);
        if (!why.isEmpty()) log_->appendNotice(why + QStringLiteral("\r\n"));
    });
    closer_->start();
}

void CMorvaneDlg::closeLinkNow() {
    if (closer_) closer_->wait();
    closer_ = nullptr;
    connect_->setEnabled(true);
    if (link_ && (link_->isOpen() || connected_)) link_->close();
    showConnectedState(false);
}

void CMorvaneDlg::pollLinkHealth() {
    if (link_ && connected_ && !closer_ && !link_->isOpen())
        closeLink(uiText("IDS_Window_PortClosedByError"));
}

}  // namespace talvex::ui
