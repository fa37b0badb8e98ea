// The main window: port controls, channel tree, tab pages, log box and language box. It opens
// and closes the link and shows what the acquisition engine reports; the pages do the rest.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "talvex/baud_rates.hpp"
#include "talvex/channel_store.hpp"
#include "talvex/port_discovery.hpp"
#include "talvex/ui/page_slots.hpp"
#include "talvex/ui/window_link.hpp"

class QThread;
class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTimer;

namespace talvex::ui {

inline constexpr int kPortKindRole = Qt::UserRole + 1;  // "sim" on the simulated bus's entry

class ChannelTreeWidget;
class LogBox;

struct MainWindowOptions {
    SensorModel model = SensorModel::None;
    PageFactory pageFactory;                 // may be empty: every tab stays empty
    std::filesystem::path sysRoot = "/sys";  // where the serial ports are looked up
    bool demo = false;                       // select the simulated bus, log on, connect
    std::string databasePath;                // SensorDB.db, handed to the pages
    WindowLink* link = nullptr;              // the link and the poller (none: nothing to connect)
};

class CMorvaneDlg : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kDefaultBaudIndex = 4;  // 19200 in kBaudRates (talvex/baud_rates.hpp)

    explicit CMorvaneDlg(MainWindowOptions options, CoreRefs core = {}, QWidget* parent = nullptr);
    ~CMorvaneDlg() override;

    bool connected() const { return connected_; }
    // The connect button's action: opens the selected port, or closes the open one.
    void toggleConnection();
    // Makes `language` ("English" or "Chinese") active and re-labels everything.
    void switchLanguage(const QString& language);
    // Adds text to the log box (while "Recv" is checked).
    void appendLog(const QString& text);
    void setProductionPagesVisible(bool visible);
    // Looks for serial ports again (the list does so each time it opens); keeps the selection.
    void refreshPortList();
    bool productionPagesVisible() const;

    Page* page(PageSlot slot) const { return pages_[static_cast<std::size_t>(slot)]; }
    QTabWidget* tabs() const { return tabs_; }
    ChannelTreeWidget* tree() const { return tree_; }
    ChannelStore& channels() { return channels_; }
    QComboBox* baudList() const { return bauds_; }
    QPushButton* connectButton() const { return connect_; }
    QProgressBar* progressBar() const { return progress_; }
    QMenu* viewMenu() const { return viewMenu_; }

    // The port list's last entry, always present: the built-in simulated sensor bus.
    static QString simulatedBusText();
    bool simulatedBusSelected() const;

    // What the last tree selection showed (rows, device mark, description; isNode false for a
    // network or the root).
    const SelectionResult& channelSelection() const { return selection_; }
    // The channel parameters page hands its uncommitted edits over before the selection moves.
    void setChannelEditsSource(std::function<ChannelEdits()> source) { editsSource_ = std::move(source); }
    // Re-reads the channels' enabled colours (after the channel page saved or applied them).
    void refreshChannelColours();
    // Tells the pages when saving or applying the channels moved the selected sensor.
    void followSelectedSensor();

  signals:
    // Live chart points were queued by the poller (delivered on the UI thread).
    void chartPointsPending();
    // The tree selection moved (node, network or root); channelSelection() tells what it shows.
    void channelSelectionChanged();
    // The selected sensor changed (after the pages were told).
    void selectedSensorChanged();
    // The window re-labelled itself after a language switch (after the pages were told).
    void languageSwitched();

  public slots:
    void reject() override;
    void showAbout();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // True (after saying why) when the window may not end now: the link is open.
    bool refuseEndWhileConnected();
    void buildLayout();
    void buildPages();
    void fillPortList();
    void listPorts();
    void fillLanguageList();
    void retranslate();
    void retranslateTabs();
    void updateTabColours();
    void showConnectedState(bool connected);
    void onPathSelected(ChannelPath path);
    void tellSelectedSensor();
    MessageSink messageSink();
    void settingsNotSaved(const std::string& reason);
    void loadChannelTree();
    void selectStartChannel();
    void rebuildChannelTree();
    void pollLinkHealth();
    // Disconnect off the UI thread: the poller may be waiting out a silent sensor for seconds.
    void closeLink(const QString& why);
    // The window is ending: close now, after any disconnect already under way.
    void closeLinkNow();
    void takePendingLog();
    void attachPoller();
    void detachPoller();
    std::unique_ptr<WindowLink::Pause> pausePoller();

    MainWindowOptions options_;
    CoreRefs core_;
    WindowLink* link_;
    ChannelStore channels_;
    SelectionResult selection_;
    std::optional<std::uint8_t> toldSensor_;  // the sensor the pages were last pointed at
    std::function<ChannelEdits()> editsSource_;

    std::vector<SSerInfo> serialPorts_;
    bool portsFound_ = false;
    bool connected_ = false;
    bool switching_ = false;
    QThread* closer_ = nullptr;           // the disconnect under way, if any
    std::set<std::string> shownNotices_;  // notice texts already shown once

    std::array<Page*, kPageCount> pages_{};
    std::array<QWidget*, kPageCount> slots_{};

    QLabel* stateIcon_ = nullptr;
    QLabel* portLabel_ = nullptr;
    QComboBox* ports_ = nullptr;
    QLabel* baudLabel_ = nullptr;
    QComboBox* bauds_ = nullptr;
    QPushButton* connect_ = nullptr;
    QLabel* languageLabel_ = nullptr;
    QComboBox* language_ = nullptr;
    QSplitter* split_ = nullptr;
    ChannelTreeWidget* tree_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    LogBox* log_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* productionAction_ = nullptr;
    QAction* aboutAction_ = nullptr;
    QTimer* health_ = nullptr;
};

}  // namespace talvex::ui
