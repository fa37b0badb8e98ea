// The main window's channel side: the tree over the channel store, what a selection changes, and
// the language switch, which re-labels everything and rebuilds the tree where it was.
#include <QComboBox>
#include <optional>

#include "settings.hpp"
#include "talvex/app_paths.hpp"
#include "talvex/language.hpp"
#include "talvex/ui/channel_tree_widget.hpp"
#include "talvex/ui/log_box.hpp"
#include "talvex/ui/main_window.hpp"
#include "talvex/ui/page.hpp"
#include "talvex/ui/prompter.hpp"
#include "talvex/ui/ui_text.hpp"

namespace talvex::ui {
// Operations that pause the poller while they change what it reads or what the pages show. They
// send nothing, so they never wait on the UI thread for the poller's slot to end.
std::unique_ptr<WindowLink::Pause> CMorvaneDlg::pausePoller() {
    return link_ ? link_->pause() : nullptr;
}

MessageSink CMorvaneDlg::messageSink() {
    MessageSink sink;
    sink.message = [this](MessageKind kind, std::string_view text) {
        // A notice (a read-only or unreadable file, ...) is shown once, not at every save.
        if (kind == MessageKind::Notice && !shownNotices_.insert(std::string(text)).second) return;
        const auto icon = kind == MessageKind::Error     ? Prompter::Icon::Stop
                          : kind == MessageKind::Warning ? Prompter::Icon::Warning
                                                         : Prompter::Icon::Information;
        activePrompter().message(this, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                                 {}, icon);
    };
    sink.log = [this](std::string_view line) {
        QString text = QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
        if (!text.endsWith(QLatin1Char('\n'))) text += QStringLiteral("\r\n");
        log_->append(text);
    };
    return sink;
}

void CMorvaneDlg::loadChannelTree() {
    channels_.setLogEntries(log_->logging());
    channels_.LoadChannelStore(appPaths().configFile());
    tree_->build(channels_.tree());
}

void CMorvaneDlg::refreshChannelColours() {
    tree_->recolour(channels_.tree());
}

// setting.ini could not be written: a notice (its box once, its log line each time).
void CMorvaneDlg::settingsNotSaved(const std::string& reason) {
    messageSink().notice(GetText("IDS_Safety_SettingsNotWritten"), reason);
}

void CMorvaneDlg::onPathSelected(ChannelPath path) {
    const auto pause = pausePoller();
    const ChannelEdits edits = editsSource_ && !channels_.rebuilding() ? editsSource_() : ChannelEdits{};
    selection_ = channels_.OnChannelSelected(path, editsSource_ ? &edits : nullptr);
    emit channelSelectionChanged();
    if (!selection_.isNode) return;  // a network or the root selects no sensor
    std::string error;
    if (const QTreeWidgetItem* item = tree_->itemAt(path))
        if (!writeSelectedChannelSetting(ChannelTreeWidget::channelOf(item), &error)) settingsNotSaved(error);
    tellSelectedSensor();
}

// At start the channel selected when the program last ran, else the first enabled one, so the
// pages show a sensor from the first moment.
void CMorvaneDlg::selectStartChannel() {
    const int remembered = readSelectedChannelSetting();
    std::optional<ChannelPath> rememberedPath, firstEnabled;
    const auto& networks = channels_.tree().networks;
    for (std::size_t n = 0; n < networks.size(); ++n)
        for (std::size_t k = 0; k < networks[n].nodes.size(); ++k) {
            const ChannelPath path{static_cast<int>(n), static_cast<int>(k)};
            if (networks[n].nodes[k].channel == remembered) rememberedPath = path;
            if (!firstEnabled && networks[n].nodes[k].enabled) firstEnabled = path;
        }
    if (const auto path = rememberedPath ? rememberedPath : firstEnabled) tree_->select(*path);
}

void CMorvaneDlg::tellSelectedSensor() {
    toldSensor_ = session().selectedSensorId.load();
    for (Page* page : pages_)
        if (page) page->selectedSensorChanged();
    emit selectedSensorChanged();
}

void CMorvaneDlg::followSelectedSensor() {
    if (toldSensor_ == session().selectedSensorId.load()) return;
    tellSelectedSensor();
}

void CMorvaneDlg::rebuildChannelTree() {
    const ChannelTreeWidget::State state = tree_->state();
    channels_.setRebuilding(true);
    loadChannelTree();
    tree_->restore(state);
    if (auto path = tree_->selectedPath()) onPathSelected(*path);
    channels_.setRebuilding(false);
}

void CMorvaneDlg::switchLanguage(const QString& language) {
    if (switching_) return;
    switching_ = true;
    std::string notSaved;
    bool saved = true;
    {
        const auto pause = pausePoller();
        // The language is active even when setting.ini could not keep it; that is said below, once
        // the poller runs again.
        saved = LoadLanguage(appPaths().settingsFile(), language.toStdString(), &notSaved);
        retranslate();
        // The pages in the order they have always been re-labelled; the production pages last.
        constexpr PageSlot order[] = {
            PageSlot::Configuration, PageSlot::DeviceParameters, PageSlot::Acquisition, PageSlot::Calibration,
            PageSlot::Curve,         PageSlot::History,          PageSlot::Production,  PageSlot::Import,
            PageSlot::Functions,     PageSlot::Fitting};
        for (PageSlot slot : order)
            if (Page* p = page(slot)) p->retranslate();
        RelabelConfigFile(appPaths().configFile(), messageSink());
        rebuildChannelTree();
    }
    {
        const QSignalBlocker block(language_);
        language_->setCurrentIndex(activeLanguage() == Language::Chinese ? 1 : 0);
    }
    switching_ = false;
    if (!saved) settingsNotSaved(notSaved);
    emit languageSwitched();
}

}  // namespace talvex::ui
