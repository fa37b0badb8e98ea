// The main window without a link: layout texts, tabs, the channel tree and what a selection
// changes, the language switch, the production pages entry, the log box, closing.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include "talvex/app_paths.hpp"
#include "talvex/channel_table.hpp"
#include "talvex/ini_file.hpp"
#include "talvex/language.hpp"
#include "talvex/testing/find_child.hpp"
#include "talvex/ui/channel_tree_widget.hpp"
#include "talvex/ui/log_box.hpp"
#include "talvex/ui/main_window.hpp"
#include "talvex/ui/page.hpp"
#include "talvex/ui/startup.hpp"
#include "talvex/ui/ui_text.hpp"
#include "ui_fixture.hpp"

namespace talvex::ui::test {
namespace {

// A page that shows one table text and remembers the sensor it was told about.
class ProbePage : public Page {
  public:
    ProbePage(PageSlot slot, QWidget* parent) : Page(parent), slot_(slot) {
        label = new QLabel(this);
        field = new QLineEdit(this);
        auto* box = new QVBoxLayout(this);
        box->addWidget(label);
        box->addWidget(field);
        retranslate();
    }
    void retranslate() override { label->setText(uiText(kTabTitleKeys[static_cast<std::size_t>(slot_)])); }
    void selectedSensorChanged() override { toldSensors.push_back(session().selectedSensorId.load()); }

    QLabel* label;
    QLineEdit* field;
    std::vector<int> toldSensors;

  private:
    PageSlot slot_;
};

MainWindowOptions probeOptions() {
    MainWindowOptions o;
    o.model = SensorModel::KA;
    o.pageFactory = [](PageSlot slot, const PageSite&, QWidget* parent) -> Page* {
        return slot == PageSlot::Curve ? nullptr : new ProbePage(slot, parent);  // one tab left empty
    };
    return o;
}

QStringList tabTitles(const QTabWidget* tabs) {
    QStringList titles;
    for (int i = 0; i < tabs->count(); ++i) titles << tabs->tabText(i);
    return titles;
}

ProbePage* probe(CMorvaneDlg& w, PageSlot slot) {
    return static_cast<ProbePage*>(w.page(slot));
}

using talvex::testing::child;

// The tab's widget: the page, or the empty stand-in where the factory made none.
QWidget* pageWidget(const CMorvaneDlg& w, PageSlot slot) {
    return child<QWidget>(&w, QStringLiteral("page%1").arg(static_cast<int>(slot)));
}
QComboBox* portList(const CMorvaneDlg& w) {
    return child<QComboBox>(&w, "portList");
}
QComboBox* languageList(const CMorvaneDlg& w) {
    return child<QComboBox>(&w, "languageList");
}
LogBox* logBox(const CMorvaneDlg& w) {
    return child<LogBox>(&w, "logBox");
}
QAction* productionPagesAction(const CMorvaneDlg& w) {
    return child<QAction>(&w, "productionPagesAction");
}
QAction* aboutAction(const CMorvaneDlg& w) {
    return child<QAction>(&w, "aboutAction");
}

class MainWindow : public UiTest {};

TEST_F(MainWindow, StartsDisconnectedWithSixTabsAndTheChannelTree) {
    CMorvaneDlg w(probeOptions());
    EXPECT_EQ(w.windowTitle(), "Talvex_V1.37 - Orlenthic");
    EXPECT_EQ(w.connectButton()->text(), "Connect");
    EXPECT_FALSE(w.connected());
    EXPECT_EQ(w.baudList()->currentText(), "19200");
    EXPECT_EQ(w.baudList()->count(), 8);
    EXPECT_EQ(portList(w)->itemText(portList(w)->count() - 1), CMorvaneDlg::simulatedBusText());
    EXPECT_EQ(tabTitles(w.tabs()),
              (QStringList{"Config", "Parameters", "Acquisition", "Curve", "Calibration", "Records"}));
    EXPECT_EQ(w.tabs()->currentIndex(), 0);
    EXPECT_EQ(w.tabs()->tabBar()->tabTextColor(0), QColor(25, 25, 112));  // the selected tab
    w.tabs()->setCurrentIndex(2);
    EXPECT_EQ(w.tabs()->tabBar()->tabTextColor(0), QColor(Qt::black));
    EXPECT_EQ(w.tabs()->tabBar()->tabTextColor(2), QColor(25, 25, 112));
    EXPECT_EQ(w.page(PageSlot::Curve), nullptr);
    EXPECT_NE(pageWidget(w, PageSlot::Curve), nullptr);  // the tab is there, empty
    EXPECT_EQ(languageList(w)->currentText(), "English");
    EXPECT_FALSE(logBox(w)->recvBox()->isChecked());

    const ChannelTreeWidget* tree = w.tree();
    const QTreeWidgetItem* root = tree->topLevelItem(0);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text(0), "Channel");
    ASSERT_EQ(root->childCount(), 16);
    EXPECT_EQ(root->child(15)->text(0), "Network16");
    EXPECT_EQ(root->child(15)->child(2)->text(0), "Node48");
    EXPECT_TRUE(root->isExpanded());
    EXPECT_TRUE(root->child(0)->isExpanded());
    EXPECT_FALSE(root->child(1)->isExpanded());
    // Default channels: only channel 1 enabled.
    EXPECT_EQ(tree->itemAt({0, 0})->foreground(0).color(), QColor(0, 0, 0));
    EXPECT_EQ(tree->itemAt({0, 1})->foreground(0).color(), QColor(192, 192, 192));
    EXPECT_TRUE(std::filesystem::exists(appPaths().configFile()));
}

TEST_F(MainWindow, SelectingANodeSetsTheSensorAndTellsThePagesNetworksAndRootChangeNothing) {
    // Channel 5 polls sensor 9 in this file.
    IniFile ini;
    ini.writeString("Network1", "Node1", "1,5,1#");
    ini.writeString("Network1", "Node2", "2,5,0#");
    ini.writeString("Network1", "Node3", "3,5,0#");
    ini.writeString("Network2", "Node4", "4,5,0#");
    ini.writeString("Network2", "Node5", "9,5,1#");
    ASSERT_TRUE(ini.save(appPaths().configFile()));
    session().selectedSensorId = 1;

    CMorvaneDlg w(probeOptions());
    ProbePage* list = probe(w, PageSlot::Acquisition);
    w.tree()->select({1, 1});
    EXPECT_EQ(session().selectedSensorId.load(), 9);
    EXPECT_EQ(list->toldSensors, (std::vector<int>{1, 9}));  // the start channel, then this one
    EXPECT_TRUE(w.channelSelection().isNode);

    w.tree()->select({1, -1});   // Network2
    w.tree()->select({-1, -1});  // the root
    EXPECT_EQ(session().selectedSensorId.load(), 9);
    EXPECT_EQ(list->toldSensors, (std::vector<int>{1, 9}));
    EXPECT_FALSE(w.channelSelection().isNode);
}

TEST_F(MainWindow, StartsOnTheChannelSelectedLastTimeElseTheFirstEnabledOne) {
    IniFile ini;
    ini.writeString("Network1", "Node1", "1,5,0#");
    ini.writeString("Network1", "Node2", "2,5,1#");
    ini.writeString("Network1", "Node3", "7,5,1#");
    ASSERT_TRUE(ini.save(appPaths().configFile()));
    const struct {
        const char* remembered;  // Setting/Channel in setting.ini; nullptr: none
        ChannelPath start;
        int sensor;
    } cases[] = {
        {nullptr, {0, 1}, 2},                    // the first enabled channel
        {"3", {0, 2}, 7},     {"1", {0, 0}, 1},  // a disabled channel the user chose stays chosen
        {"40", {0, 1}, 2},                       // a channel the file does not have
        {"x", {0, 1}, 2},
    };
    for (const auto& c : cases) {
        IniFile settings = IniFile::load(appPaths().settingsFile());
        settings.writeString("Setting", "Channel", c.remembered ? c.remembered : "");
        ASSERT_TRUE(settings.save(appPaths().settingsFile()));
        CMorvaneDlg w(probeOptions());
        const auto path = w.tree()->selectedPath();
        ASSERT_TRUE(path.has_value()) << (c.remembered ? c.remembered : "none");
        EXPECT_EQ(path->network, c.start.network);
        EXPECT_EQ(path->node, c.start.node);
        EXPECT_EQ(session().selectedSensorId.load(), c.sensor);
        EXPECT_EQ(probe(w, PageSlot::Acquisition)->toldSensors, std::vector<int>{c.sensor});
    }
    // A selection is remembered for the next start.
    {
        CMorvaneDlg w(probeOptions());
        w.tree()->select({0, 2});
    }
    EXPECT_EQ(IniFile::load(appPaths().settingsFile()).value("Setting", "Channel"), "3");
}

TEST_F(MainWindow, LanguageSwitchRelabelsWindowTabsPagesTreeAndConvertsConfigIni) {
    CMorvaneDlg w(probeOptions());
    w.setProductionPagesVisible(true);
    w.tree()->itemAt({3, -1})->setExpanded(true);
    w.tree()->select({3, 2});  // Node12
    const auto before = w.tree()->state();

    w.switchLanguage("Chinese");

    EXPECT_EQ(activeLanguage(), Language::Chinese);
    EXPECT_EQ(w.windowTitle(), QString::fromUtf8("Talvex_V1.37 - 氢气数据采集&校准"));
    EXPECT_EQ(w.connectButton()->text(), QString::fromUtf8("连接"));
    EXPECT_EQ(languageList(w)->currentText(), "Chinese");
    EXPECT_EQ(child<QPushButton>(logBox(w), "logClearButton")->text(), QString::fromUtf8("立即清空"));
    EXPECT_EQ(tabTitles(w.tabs()),
              QString::fromUtf8(
                  "系统设置|设备参数|数据采集|曲线显示|数据校准|历史数据|生产标定|数据导入|功能选配|曲线拟合")
                  .split('|'));
    EXPECT_EQ(probe(w, PageSlot::Configuration)->label->text(), QString::fromUtf8("系统设置"));
    EXPECT_EQ(probe(w, PageSlot::Fitting)->label->text(), QString::fromUtf8("曲线拟合"));

    const QTreeWidgetItem* root = w.tree()->topLevelItem(0);
    EXPECT_EQ(root->text(0), QString::fromUtf8("设备通道"));
    EXPECT_EQ(root->child(0)->text(0), QString::fromUtf8("网络1"));
    EXPECT_EQ(w.tree()->itemAt({3, 2})->text(0), QString::fromUtf8("设备12"));
    const auto after = w.tree()->state();
    EXPECT_EQ(after.expandedNetworks, before.expandedNetworks);
    EXPECT_TRUE(after.hasSelection);
    EXPECT_EQ(after.selected.network, 3);
    EXPECT_EQ(after.selected.node, 2);

    // Config.ini now speaks Chinese: sections and keys renamed, the values kept.
    const IniFile converted = IniFile::load(appPaths().configFile());
    EXPECT_FALSE(converted.hasSection("Network1"));
    const auto node1 =
        converted.value(QString::fromUtf8("网络1").toStdString(), QString::fromUtf8("设备1").toStdString());
    ASSERT_TRUE(node1.has_value());
    EXPECT_EQ(node1->substr(0, 6), "1,5,1#");
    EXPECT_EQ(readFile(appPaths().settingsFile()).find("Language=Chinese") != std::string::npos, true);

    w.switchLanguage("English");
    EXPECT_EQ(w.tree()->topLevelItem(0)->child(0)->text(0), "Network1");
    EXPECT_EQ(tabTitles(w.tabs()).first(), "Config");
    EXPECT_TRUE(IniFile::load(appPaths().configFile()).value("Network1", "Node1").has_value());
}

TEST_F(MainWindow, ProductionPagesAreOffByDefaultAndTheChoiceIsRemembered) {
    {
        CMorvaneDlg w(probeOptions());
        EXPECT_FALSE(w.productionPagesVisible());
        EXPECT_FALSE(pageWidget(w, PageSlot::Production)->isVisible());
        EXPECT_NE(w.page(PageSlot::Production), nullptr);  // created all the same
        productionPagesAction(w)->trigger();
        EXPECT_EQ(tabTitles(w.tabs()).mid(6), (QStringList{"Production", "Import", "Functions", "Fitting"}));
    }
    EXPECT_NE(readFile(appPaths().settingsFile()).find("ProductionPages=1"), std::string::npos);
    {
        CMorvaneDlg w(probeOptions());
        EXPECT_TRUE(w.productionPagesVisible());
        EXPECT_TRUE(productionPagesAction(w)->isChecked());
        productionPagesAction(w)->trigger();
        EXPECT_EQ(w.tabs()->count(), 6);
    }
    EXPECT_NE(readFile(appPaths().settingsFile()).find("ProductionPages=0"), std::string::npos);
}

// setting.ini that cannot be written is said, not swallowed: the production pages choice and a
// language switch each name it (a directory where the temporary file goes makes the write fail,
// even for root).
TEST_F(MainWindow, AnUnwritableSettingsFileIsReported) {
    CMorvaneDlg w(probeOptions());
    std::filesystem::path blocker = appPaths().settingsFile();
    blocker += ".tmp";
    std::filesystem::create_directory(blocker);
    const QString notice = QString::fromStdString(GetText("IDS_Safety_SettingsNotWritten"));
    productionPagesAction(w)->trigger();
    EXPECT_TRUE(prompts_.saw(notice));
    prompts_.texts.clear();
    w.switchLanguage("Chinese");
    EXPECT_EQ(activeLanguage(), Language::Chinese) << "the language changes all the same";
    EXPECT_TRUE(prompts_.saw(QString::fromStdString(GetText("IDS_Safety_SettingsNotWritten"))));
    std::filesystem::remove(blocker);
    w.switchLanguage("English");
}

TEST_F(MainWindow, LogBoxKeepsAtMostFiveHundredLinesAndOnlyWhileRecvIsChecked) {
    CMorvaneDlg w(probeOptions());
    LogBox* log = logBox(w);
    w.appendLog("dropped\r\n");
    EXPECT_TRUE(log->view()->toPlainText().isEmpty());

    log->recvBox()->setChecked(true);
    for (int i = 0; i < LogBox::kMaxLines; ++i) w.appendLog(QStringLiteral("line %1\r\n").arg(i));
    EXPECT_TRUE(log->view()->toPlainText().startsWith("line 0\n"));
    w.appendLog("line 500\r\n");  // the box now holds more than 500 lines
    w.appendLog("fresh\r\n");
    EXPECT_EQ(log->view()->toPlainText(), "fresh\n");

    child<QPushButton>(log, "logClearButton")->click();
    EXPECT_TRUE(log->view()->toPlainText().isEmpty());
    w.appendLog("again\r\n");
    log->recvBox()->setChecked(false);  // unchecking empties the box at once
    EXPECT_TRUE(log->view()->toPlainText().isEmpty());

    child<QPushButton>(log, "logFileButton")->click();
    EXPECT_TRUE(prompts_.saw("Saving debug data is not supported!"));
}

TEST_F(MainWindow, EnterOnAPageKeepsTheWindowEnterOnTheWindowsOwnControlsAndEscapeEndIt) {
    {
        CMorvaneDlg w(probeOptions());
        w.show();
        QLineEdit* field = probe(w, PageSlot::Configuration)->field;
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_TRUE(w.isVisible());
        probe(w, PageSlot::Configuration)->label->setFocusPolicy(Qt::StrongFocus);
        probe(w, PageSlot::Configuration)->label->setFocus();  // anything else on a page
        QTest::keyClick(probe(w, PageSlot::Configuration)->label, Qt::Key_Return);
        EXPECT_TRUE(w.isVisible());
        w.tree()->setFocus();
        QTest::keyClick(w.tree(), Qt::Key_Return);
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(w.result(), QDialog::Accepted);
    }
    {
        CMorvaneDlg w(probeOptions());
        w.show();
        QTest::keyClick(&w, Qt::Key_Escape);
        EXPECT_FALSE(w.isVisible());
        EXPECT_TRUE(prompts_.texts.empty());
    }
}

TEST_F(MainWindow, AboutBoxShowsNameAndVersion) {
    CMorvaneDlg w(probeOptions());
    w.show();
    QStringList shown;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        for (const QLabel* l : box->findChildren<QLabel*>()) shown << l->text();
        static_cast<QDialog*>(box)->accept();
    });
    aboutAction(w)->trigger();
    EXPECT_TRUE(shown.contains(QString::fromUtf8("Talvex，1.367版"))) << shown.join('|').toStdString();
    // Under the historic line, the build's version: the string the window's frame shows after every
    // caption.
    EXPECT_TRUE(shown.contains(QStringLiteral("Talvex " TALVEX_PROJECT_VERSION)))
        << shown.join('|').toStdString();
    nameApplication();
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("Talvex " TALVEX_PROJECT_VERSION));
    EXPECT_EQ(QCoreApplication::applicationVersion(), QStringLiteral(TALVEX_PROJECT_VERSION));
    EXPECT_EQ(aboutAction(w)->text(), QString::fromUtf8("关于 Talvex(&A)..."));
}

}  // namespace
}  // namespace talvex::ui::test
