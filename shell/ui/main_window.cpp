#include "talvex/ui/main_window.hpp"

#include <QAbstractSpinBox>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "about_box.hpp"
#include "port_combo_box.hpp"
#include "settings.hpp"
#include "talvex/language.hpp"
#include "talvex/ui/channel_tree_widget.hpp"
#include "talvex/ui/log_box.hpp"
#include "talvex/ui/page.hpp"
#include "talvex/ui/prompter.hpp"
#include "talvex/ui/ui_text.hpp"

namespace talvex::ui {

CMorvaneDlg::CMorvaneDlg(MainWindowOptions options, CoreRefs core, QWidget* parent)
    : QDialog(parent), options_(std::move(options)), core_(core), link_(options_.link) {
    ensureResources();
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Talvex"));
    setWindowIcon(QIcon(QStringLiteral(":/talvex/icons/talvex.svg")));
    setSizeGripEnabled(true);

    buildLayout();
    showConnectedState(false);
    fillPortList();
    channels_.setSink(messageSink());
    buildPages();
    loadChannelTree();
    fillLanguageList();
    retranslate();
    setProductionPagesVisible(readProductionPagesSetting());
    attachPoller();
    selectStartChannel();

    // The link can close underneath (an I/O error on the port): notice it and say so.
    health_ = new QTimer(this);
    health_->setInterval(500);
    connect(health_, &QTimer::timeout, this, &CMorvaneDlg::pollLinkHealth);
    health_->start();

    if (options_.demo) {
        log_->recvBox()->setChecked(true);
        ports_->setCurrentIndex(ports_->count() - 1);
        QTimer::singleShot(0, this, &CMorvaneDlg::toggleConnection);
    }
}

CMorvaneDlg::~CMorvaneDlg() {
    if (connected_) closeLinkNow();
    detachPoller();
}

QString CMorvaneDlg::simulatedBusText() {
    return uiText("IDS_Window_SimulatedBus");
}

bool CMorvaneDlg::simulatedBusSelected() const {
    const int listed = ports_->findText(ports_->currentText().trimmed());
    return listed >= 0 && ports_->itemData(listed, kPortKindRole).toString() == QLatin1String("sim");
}

// The controls are found by object name (unique in the window): "portList", "baudList",
// "connectButton", "languageList", "logBox", "productionPagesAction", "aboutAction"; the tab
// pages are "page<slot>" in PageSlot order (buildPages).
void CMorvaneDlg::buildLayout() {
    auto* menuBar = new QMenuBar(this);
    viewMenu_ = menuBar->addMenu(QString());
    productionAction_ = viewMenu_->addAction(QString());
    productionAction_->setObjectName(QStringLiteral("productionPagesAction"));
    productionAction_->setCheckable(true);
    connect(productionAction_, &QAction::toggled, this, [this](bool on) {
        setProductionPagesVisible(on);
        std::string error;
        if (!writeProductionPagesSetting(on, &error)) settingsNotSaved(error);
    });
    helpMenu_ = menuBar->addMenu(QString());
    aboutAction_ = helpMenu_->addAction(QString());
    aboutAction_->setObjectName(QStringLiteral("aboutAction"));
    connect(aboutAction_, &QAction::triggered, this, &CMorvaneDlg::showAbout);

    stateIcon_ = new QLabel(this);
    stateIcon_->setFixedSize(24, 24);
    portLabel_ = new QLabel(this);
    portLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* ports = new PortComboBox(this);
    ports->setBeforePopup([this] { refreshPortList(); });
    ports_ = ports;
    ports_->setObjectName(QStringLiteral("portList"));
    // Editable: a device path the list does not show can be typed in.
    ports_->setEditable(true);
    ports_->setInsertPolicy(QComboBox::NoInsert);
    ports_->setMinimumContentsLength(18);
    ports_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    baudLabel_ = new QLabel(this);
    baudLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    bauds_ = new QComboBox(this);
    bauds_->setObjectName(QStringLiteral("baudList"));
    for (int b : kBaudRates) bauds_->addItem(QString::number(b));
    bauds_->setCurrentIndex(kDefaultBaudIndex);
    connect_ = new QPushButton(this);
    connect_->setObjectName(QStringLiteral("connectButton"));
    connect_->setAutoDefault(false);
    connect_->setMinimumWidth(110);
    languageLabel_ = new QLabel(this);
    languageLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    language_ = new QComboBox(this);
    language_->setObjectName(QStringLiteral("languageList"));

    auto* top = new QHBoxLayout;
    top->addWidget(stateIcon_);
    top->addWidget(portLabel_);
    top->addWidget(ports_, 3);
    top->addSpacing(12);
    top->addWidget(baudLabel_);
    top->addWidget(bauds_, 1);
    top->addSpacing(12);
    top->addWidget(connect_);
    top->addStretch(2);
    top->addWidget(languageLabel_);
    top->addWidget(language_);

    tree_ = new ChannelTreeWidget(this);
    tabs_ = new QTabWidget(this);
    tabs_->setDocumentMode(false);
    split_ = new QSplitter(Qt::Horizontal, this);
    split_->addWidget(tree_);
    split_->addWidget(tabs_);
    split_->setStretchFactor(1, 1);
    split_->setChildrenCollapsible(false);
    split_->setSizes({170, 1000});

    log_ = new LogBox(this);
    log_->setObjectName(QStringLiteral("logBox"));
    log_->view()->setMinimumHeight(60);
    auto* vertical = new QSplitter(Qt::Vertical, this);
    vertical->addWidget(split_);
    vertical->addWidget(log_);
    vertical->setStretchFactor(0, 1);
    vertical->setChildrenCollapsible(false);
    vertical->setSizes({600, 110});

    progress_ = new QProgressBar(this);
    progress_->setFormat(QStringLiteral("%p%"));
    progress_->setAlignment(Qt::AlignCenter);
    progress_->hide();

    auto* outer = new QVBoxLayout(this);
    outer->setMenuBar(menuBar);
    outer->setContentsMargins(6, 4, 6, 6);
    outer->addLayout(top);
    outer->addWidget(vertical, 1);
    outer->addWidget(progress_);

    connect(connect_, &QPushButton::clicked, this, &CMorvaneDlg::toggleConnection);
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
        updateTabColours();
        if (index == 0 && slots_[0]) slots_[0]->setFocus();
    });
    connect(tree_, &ChannelTreeWidget::pathSelected, this, &CMorvaneDlg::onPathSelected);
    connect(language_, &QComboBox::activated, this, [this](int index) {
        if (index >= 0) switchLanguage(language_->itemText(index));
    });
    resize(1180, 720);
}

void CMorvaneDlg::buildPages() {
    const PageSite context{options_.model, core_, &channels_, options_.databasePath, this};
    for (int i = 0; i < kPageCount; ++i) {
        const auto slot = static_cast<PageSlot>(i);
        Page* page = options_.pageFactory ? options_.pageFactory(slot, context, tabs_) : nullptr;
        pages_[static_cast<std::size_t>(i)] = page;
        QWidget* widget = page ? static_cast<QWidget*>(page) : new QWidget(tabs_);
        widget->setObjectName(QStringLiteral("page%1").arg(i));
        slots_[static_cast<std::size_t>(i)] = widget;
        if (i < kFixedTabCount) {
            tabs_->addTab(widget, QString());
        } else {
            widget->hide();
        }
    }
    tabs_->setCurrentIndex(0);
}

void CMorvaneDlg::fillPortList() {
    listPorts();
    ports_->setCurrentIndex(0);
    if (!portsFound_ && !options_.demo)
        QTimer::singleShot(0, this, [this] {
            activePrompter().message(this, uiText("IDD_Message_NoSerialPort"), {}, Prompter::Icon::Stop);
        });
}

void CMorvaneDlg::refreshPortList() {
    if (connected_) return;
    const QString current = ports_->currentText();
    const bool onSim = simulatedBusSelected();
    const bool typed = !current.trimmed().isEmpty() && ports_->findText(current.trimmed()) < 0;
    listPorts();
    const int again = ports_->findText(current);
    ports_->setCurrentIndex(onSim ? ports_->count() - 1 : std::max(again, 0));
    if (typed) ports_->setEditText(current);  // a typed path stays until the user picks an entry
}

void CMorvaneDlg::listPorts() {
    const QSignalBlocker block(ports_);
    ports_->clear();
    const std::string error = EnumerateSerialPorts(serialPorts_, options_.sysRoot);
    if (!error.empty()) log_->appendNotice(QString::fromStdString(error) + QStringLiteral("\r\n"));
    for (const auto& p : serialPorts_) {
        ports_->addItem(QString::fromStdString(portListText(p.friendlyName)));
        ports_->setItemData(ports_->count() - 1, QString::fromStdString(p.friendlyName), Qt::ToolTipRole);
    }
    portsFound_ = !serialPorts_.empty();
    // The simulated bus is always there, after the machine's ports.
    ports_->addItem(simulatedBusText());
    ports_->setItemData(ports_->count() - 1, QStringLiteral("sim"), kPortKindRole);
}

void CMorvaneDlg::fillLanguageList() {
    language_->clear();
    language_->addItem(QStringLiteral("English"));
    language_->addItem(QStringLiteral("Chinese"));
    language_->setCurrentIndex(activeLanguage() == Language::Chinese ? 1 : 0);
}

void CMorvaneDlg::retranslate() {
    // Caption and labels as the table writes them; a missing key leaves the text as it was.
    const auto caption = [](QWidget* w, std::string_view key, bool window) {
        const QString text = QString::fromStdString(captionText(key));
        if (text.isEmpty()) return;
        if (window)
            w->setWindowTitle(text);
        else
            static_cast<QLabel*>(w)->setText(text);
    };
    caption(this, "IDD102_Title", true);
    caption(portLabel_, "IDD102_1021", false);
    caption(baudLabel_, "IDD102_1009", false);
    languageLabel_->setText(uiText("IDS_languageEnCh"));
    connect_->setText(uiText(connected_ ? "IDD_Disconnect" : "IDD_Connect"));
    ports_->setItemText(ports_->count() - 1, simulatedBusText());
    ports_->lineEdit()->setToolTip(uiText("IDS_FirstUse_PortTyped"));
    log_->retranslate();
    viewMenu_->setTitle(uiText("IDS_Window_ViewMenu"));
    productionAction_->setText(uiText("IDS_Window_ProductionPages"));
    helpMenu_->setTitle(uiText("IDS_Window_HelpMenu"));
    aboutAction_->setText(uiText("IDS_Window_AboutItem"));
    retranslateTabs();
}

void CMorvaneDlg::retranslateTabs() {
    for (int i = 0; i < kPageCount; ++i) {
        const int index = tabs_->indexOf(slots_[static_cast<std::size_t>(i)]);
        if (index >= 0) tabs_->setTabText(index, uiText(kTabTitleKeys[static_cast<std::size_t>(i)]));
    }
    updateTabColours();
}

void CMorvaneDlg::updateTabColours() {
    QTabBar* bar = tabs_->tabBar();
    for (int i = 0; i < bar->count(); ++i)
        bar->setTabTextColor(i, i == bar->currentIndex() ? QColor(25, 25, 112) : QColor(Qt::black));
}

bool CMorvaneDlg::productionPagesVisible() const {
    return tabs_->count() > kFixedTabCount;
}

void CMorvaneDlg::setProductionPagesVisible(bool visible) {
    if (productionAction_->isChecked() != visible) {
        const QSignalBlocker block(productionAction_);
        productionAction_->setChecked(visible);
    }
    if (visible == productionPagesVisible()) return;
    for (int i = kFixedTabCount; i < kPageCount; ++i) {
        QWidget* w = slots_[static_cast<std::size_t>(i)];
        if (visible) {
            tabs_->addTab(w, uiText(kTabTitleKeys[static_cast<std::size_t>(i)]));
        } else {
            tabs_->removeTab(tabs_->indexOf(w));
            w->hide();
        }
    }
    updateTabColours();
}

void CMorvaneDlg::showConnectedState(bool connected) {
    connected_ = connected;
    connect_->setText(uiText(connected ? "IDD_Disconnect" : "IDD_Connect"));
    ports_->setEnabled(!connected);
    bauds_->setEnabled(!connected);
    stateIcon_->setPixmap(
        QIcon(QStringLiteral(":/talvex/icons/%1.svg").arg(connected ? "connected" : "disconnected"))
            .pixmap(24, 24));
    stateIcon_->setToolTip(uiText(connected ? "IDD_Connect" : "IDD_Disconnect"));
}

void CMorvaneDlg::appendLog(const QString& text) {
    log_->append(text);
}

void CMorvaneDlg::showAbout() {
    showAboutBox(this);
}

// Every way out of the window (the close button, Escape, Enter on the window's own controls) follows
// one rule: while connected it is refused with the request to disconnect first, so polling is never
// cut off by a stray key.
bool CMorvaneDlg::refuseEndWhileConnected() {
    if (!connected_) return false;
    activePrompter().message(this, uiText("IDD_Message_DisconnectPort"), {}, Prompter::Icon::Warning);
    return true;
}

void CMorvaneDlg::closeEvent(QCloseEvent* event) {
    if (refuseEndWhileConnected()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void CMorvaneDlg::reject() {
    if (refuseEndWhileConnected()) return;
    QDialog::reject();
}

// Enter ends the window like Escape, but never from a page or a text field: a value confirmed or a
// list row chosen with Enter must not end the program.
void CMorvaneDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        QWidget* focus = focusWidget();
        const bool typing = qobject_cast<QLineEdit*>(focus) || qobject_cast<QAbstractSpinBox*>(focus) ||
                            qobject_cast<QTextEdit*>(focus) || qobject_cast<QPlainTextEdit*>(focus) ||
                            (qobject_cast<QComboBox*>(focus) && static_cast<QComboBox*>(focus)->isEditable());
        const bool onPage = focus && tabs_->isAncestorOf(focus) && !tabs_->tabBar()->isAncestorOf(focus) &&
                            focus != tabs_->tabBar();
        if (!typing && !onPage && !refuseEndWhileConnected()) accept();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace talvex::ui
