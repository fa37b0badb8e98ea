// The window on a real link: the built-in simulated bus on a pseudo-terminal, the real poller and
// database. Connect, see poll lines, every way out refused while connected, the link closing underneath,
// a port that cannot be opened.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <fstream>
#include <functional>

#include "simulated_bus.hpp"
#include "talvex/acquisition/acquisition_engine.hpp"
#include "talvex/acquisition/measurement_db.hpp"
#include "talvex/app_paths.hpp"
#include "talvex/language.hpp"
#include "talvex/rtu.h"
#include "talvex/sim/sim_bus.hpp"
#include "talvex/testing/find_child.hpp"
#include "talvex/ui/channel_tree_widget.hpp"
#include "talvex/ui/log_box.hpp"
#include "talvex/ui/main_window.hpp"
#include "ui_fixture.hpp"
#include "workbench_link.hpp"

namespace talvex::ui::test {
namespace {

constexpr int kWaitMs = 15000;  // generous: the first poll needs one bus round; CI shares two cores

class Connection : public UiTest {
  protected:
    void SetUp() override {
        UiTest::SetUp();
        const acquisition::EngineOptions o = programEngineOptions(dir_);
        engine_ = std::make_unique<acquisition::AcquisitionEngine>(arbiter_, store_, session(), o);
        link_ = std::make_unique<app::WorkbenchLink>(engine_.get(), &arbiter_, app::simulatedBusStarter());
    }
    void TearDown() override {
        link_.reset();
        engine_.reset();
        UiTest::TearDown();
    }
    std::unique_ptr<CMorvaneDlg> window(std::filesystem::path sysRoot = "/sys") {
        MainWindowOptions o;
        o.model = SensorModel::KA;
        o.sysRoot = std::move(sysRoot);
        o.link = link_.get();
        return std::make_unique<CMorvaneDlg>(o, CoreRefs{engine_.get(), &arbiter_, &store_});
    }
    static QComboBox* portList(const CMorvaneDlg& w) {
        return talvex::testing::child<QComboBox>(&w, "portList");
    }
    static LogBox* logBox(const CMorvaneDlg& w) { return talvex::testing::child<LogBox>(&w, "logBox"); }
    static void selectSimulatedBus(CMorvaneDlg& w) { portList(w)->setCurrentIndex(portList(w)->count() - 1); }

    acquisition::LinkArbiter arbiter_;
    acquisition::RecordStore store_;
    std::unique_ptr<acquisition::AcquisitionEngine> engine_;
    std::unique_ptr<app::WorkbenchLink> link_;
};

TEST_F(Connection, ConnectsToTheSimulatedBusPollsAndRefusesToCloseUntilDisconnected) {
    auto w = window();
    w->show();
    logBox(*w)->recvBox()->setChecked(true);
    selectSimulatedBus(*w);
    w->connectButton()->click();
    ASSERT_TRUE(w->connected()) << (prompts_.texts.empty() ? "" : prompts_.texts.back().toStdString());
    EXPECT_EQ(w->connectButton()->text(), "Disconnect");
    EXPECT_FALSE(portList(*w)->isEnabled());
    EXPECT_FALSE(w->baudList()->isEnabled());
    EXPECT_EQ(RTUIsOpen(), 1);

    // Channel 1 (sensor 1) is enabled by default: its poll lines reach the log box.
    QTRY_VERIFY_WITH_TIMEOUT(logBox(*w)->view()->toPlainText().contains("ID1 Polling Succeed"), kWaitMs);
    EXPECT_FALSE(logBox(*w)->view()->toPlainText().contains("Polling Failed"));
    // The record follows its log line into the store (and the database) on the poller thread.
    QTRY_VERIFY_WITH_TIMEOUT(!store_.records(acquisition::RecordStore::keyOf(1)).empty(), kWaitMs);

    EXPECT_FALSE(w->close());
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(prompts_.saw("Please disconnect the serial port first"));

    // Disconnecting waits for the poller off the UI thread: the button is off until it is done.
    w->connectButton()->click();
    EXPECT_FALSE(w->connectButton()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!w->connected(), kWaitMs);
    EXPECT_TRUE(w->connectButton()->isEnabled());
    EXPECT_EQ(w->connectButton()->text(), "Connect");
    EXPECT_TRUE(portList(*w)->isEnabled());
    EXPECT_EQ(RTUIsOpen(), 0);
    EXPECT_TRUE(w->close());
}

TEST_F(Connection, PortClosedUnderneathShowsTheDisconnectedStateAndSaysWhy) {
    auto w = window();
    w->show();
    selectSimulatedBus(*w);
    w->connectButton()->click();
    ASSERT_TRUE(w->connected());
    RTUCloseCom();  // what the link does after a read or write error on the port
    QTRY_VERIFY_WITH_TIMEOUT(!w->connected(), kWaitMs);
    EXPECT_EQ(w->connectButton()->text(), "Connect");
    EXPECT_TRUE(portList(*w)->isEnabled());
    // Said even with "Recv" unchecked: the user must learn why the link went away.
    EXPECT_TRUE(logBox(*w)->view()->toPlainText().contains("closed"))
        << logBox(*w)->view()->toPlainText().toStdString();
    EXPECT_TRUE(w->close());
}

TEST_F(Connection, EveryWayOutIsRefusedWhileConnected) {
    auto w = window();
    w->show();
    selectSimulatedBus(*w);
    w->connectButton()->click();
    ASSERT_TRUE(w->connected());
    const std::function<void()> waysOut[] = {
        [&] { QTest::keyClick(w.get(), Qt::Key_Escape); },
        [&] {
            w->tree()->setFocus();
            QTest::keyClick(w->tree(), Qt::Key_Return);
        },
        [&] { w->close(); },
    };
    for (const auto& leave : waysOut) {
        prompts_.texts.clear();
        leave();
        EXPECT_TRUE(w->isVisible());
        EXPECT_TRUE(prompts_.saw("Please disconnect the serial port first"));
        EXPECT_EQ(RTUIsOpen(), 1);
    }
    w->connectButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!w->connected(), kWaitMs);
    QTest::keyClick(w.get(), Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
}

TEST_F(Connection, AMissingPortSaysSoAndStaysDisconnected) {
    // A machine with one USB converter whose device node has gone.
    const auto sys = dir_ / "sys";
    const auto usb = sys / "devices" / "usb1" / "1-1";
    std::filesystem::create_directories(usb / "1-1:1.0" / "ttyUSB97");
    std::ofstream(usb / "idVendor") << "0403\n";
    std::ofstream(usb / "product") << "FT232R USB UART\n";
    std::filesystem::create_directories(sys / "class" / "tty" / "ttyUSB97");
    std::filesystem::create_directory_symlink(usb / "1-1:1.0" / "ttyUSB97",
                                              sys / "class" / "tty" / "ttyUSB97" / "device");

    auto w = window(sys);
    ASSERT_EQ(portList(*w)->itemText(0), "FT232R...(ttyUSB97)");
    portList(*w)->setCurrentIndex(0);
    w->connectButton()->click();
    EXPECT_FALSE(w->connected());
    ASSERT_FALSE(prompts_.texts.empty());
    EXPECT_TRUE(prompts_.texts.back().startsWith("Serial port not found or occupied"))
        << prompts_.texts.back().toStdString();
    EXPECT_TRUE(prompts_.texts.back().contains("/dev/ttyUSB97"));
    EXPECT_EQ(w->connectButton()->text(), "Connect");
}

TEST_F(Connection, ATypedDevicePathIsOpened) {
    sim::BusOptions o;
    o.sensors = {sim::defaultSensorConfig(1, SensorModel::KA)};
    o.flowmeter = false;
    sim::SimBus bus(o);
    std::string error;
    ASSERT_TRUE(bus.start(&error)) << error;
    auto w = window();
    w->show();
    logBox(*w)->recvBox()->setChecked(true);
    QLineEdit* edit = portList(*w)->lineEdit();
    ASSERT_NE(edit, nullptr);
    edit->clear();
    QTest::keyClicks(edit, QString::fromStdString(bus.slavePath()));
    w->connectButton()->click();
    ASSERT_TRUE(w->connected()) << (prompts_.texts.empty() ? "" : prompts_.texts.back().toStdString());
    QTRY_VERIFY_WITH_TIMEOUT(logBox(*w)->view()->toPlainText().contains("ID1 Polling Succeed"), kWaitMs);
    w->connectButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!w->connected(), kWaitMs);
}

TEST_F(Connection, AConverterPluggedInLaterAppearsWhenTheListOpens) {
    const auto sys = dir_ / "sys";
    std::filesystem::create_directories(sys / "class" / "tty" / "tty0");
    auto w = window(sys);
    w->show();
    ASSERT_EQ(portList(*w)->count(), 1);
    portList(*w)->setCurrentIndex(0);  // the simulated bus

    const auto usb = sys / "devices" / "usb1" / "1-2";
    std::filesystem::create_directories(usb / "1-2:1.0" / "ttyUSB5");
    std::ofstream(usb / "idVendor") << "1a86\n";
    std::ofstream(usb / "product") << "USB Serial\n";
    std::filesystem::create_directories(sys / "class" / "tty" / "ttyUSB5");
    std::filesystem::create_directory_symlink(usb / "1-2:1.0" / "ttyUSB5",
                                              sys / "class" / "tty" / "ttyUSB5" / "device");

    portList(*w)->showPopup();
    portList(*w)->hidePopup();
    ASSERT_EQ(portList(*w)->count(), 2);
    EXPECT_EQ(portList(*w)->itemText(0), "USB Se...(ttyUSB5)");
    EXPECT_TRUE(w->simulatedBusSelected());  // the choice stays
}

TEST_F(Connection, NoSerialPortIsReportedButTheSimulatedBusStaysAvailable) {
    const auto sys = dir_ / "sys";
    std::filesystem::create_directories(sys / "class" / "tty" / "tty0");
    auto w = window(sys);
    QTRY_VERIFY_WITH_TIMEOUT(prompts_.saw("No serial port detected!"), kWaitMs);
    ASSERT_EQ(portList(*w)->count(), 1);
    w->connectButton()->click();
    EXPECT_TRUE(w->connected());
    w->connectButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!w->connected(), kWaitMs);
}

}  // namespace
}  // namespace talvex::ui::test
