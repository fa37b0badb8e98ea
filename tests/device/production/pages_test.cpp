// The production and import pages on Qt's offscreen platform against the simulated bus on a pty,
// their operations on a fake clock shared with the sensors: read-out, the signature every export
// needs, and an exported workbook imported and written along the chain.
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include "import_page.hpp"
#include "pages_fixture.hpp"
#include "production_page.hpp"
#include "talvex/pacer.hpp"
#include "talvex/production/chain.hpp"
#include "talvex/sensor_registers.hpp"
#include "talvex/testing/find_child.hpp"
#include "talvex/ui/core/operation_runner.hpp"
#include "talvex/workbook/reader.hpp"

namespace talvex::ui {
namespace {

using talvex::testing::child;
using testing::text;

QPushButton* button(const QWidget* page, const QString& name) {
    return child<QPushButton>(page, name);
}

class ProductionPages : public ::testing::Test {
  protected:
    ProductionPages() {
        setActiveLanguage(Language::Chinese);
        sim::BusOptions o;
        o.sensors.clear();
        for (std::uint8_t id = 1; id <= 3; ++id)
            o.sensors.push_back(sim::defaultSensorConfig(id, SensorModel::KA));
        o.flowmeter = false;
        o.pace = false;
        const sim::TimePoint base = sim::SteadyClock::now();
        o.clock = [this, base] { return base + std::chrono::milliseconds(pacer.clockMs.load()); };
        bus = std::make_unique<sim::SimBus>(o);
        std::string error;
        EXPECT_TRUE(bus->start(&error)) << error;
        EXPECT_EQ(RTUOpenDevice(bus->slavePath().c_str(), 19200, 8, 0, 0), 1);
        arbiter.connected();
        for (int ch = 1; ch <= 3; ++ch) state.enumUintEN.set(ch, {static_cast<std::uint8_t>(4 - ch), 0, 1});
        state.selectedSensorId = 1;
        ctx.arbiter = &arbiter;
        ctx.session = &state;
        ctx.prompter = &prompter;
    }
    ~ProductionPages() override {
        arbiter.disconnecting();
        RTUCloseCom();
        bus->stop();
    }
    // Clicks and lets the event loop turn until the page's operation (if it started one) has ended
    // and its results are shown.
    template <class P>
    void click(P* page, QPushButton* button) {
        button->click();
        EXPECT_TRUE(QTest::qWaitFor([page] { return !page->runner()->busy(); }, 30000));
        QCoreApplication::processEvents();
    }

    FakePacer pacer;
    std::unique_ptr<sim::SimBus> bus;
    acquisition::LinkArbiter arbiter;
    Session state;
    testing::ScriptedPrompter prompter;
    PageContext ctx;
    QTemporaryDir dir;
};

TEST_F(ProductionPages, EveryExportNeedsASignatureOfItsOwn) {
    CVelPageProd page(ctx);
    page.runner()->setPacer(&pacer);
    QString chosen = dir.filePath("export.xlsx");
    QStringList suggested;
    page.setFileChooser({{}, [&](QWidget*, const QString& name, const QString&) {
                             suggested << name;
                             return chosen;
                         }});
    QPushButton* exportButton = button(&page, "exportButton");
    QPushButton* signButton = button(&page, "signButton");
    QLineEdit* signer = child<QLineEdit>(&page, "signerEdit");
    const QTableWidget* list = child<QTableWidget>(&page, "readOutList");
    click(&page, button(&page, "readOutButton"));
    ASSERT_EQ(list->rowCount(), 53);
    EXPECT_EQ(list->item(52, 1)->text(), "DC");
    EXPECT_FALSE(list->item(52, 2)->text().isEmpty());
    EXPECT_TRUE(button(&page, "readOutButton")->isEnabled());
    const QString productNumber = list->item(1, 2)->text();

    click(&page, exportButton);
    EXPECT_EQ(prompter.messages.last(), text("IDS_Prod_SignFirst"));
    EXPECT_TRUE(suggested.isEmpty());

    signer->setText("张三");
    click(&page, signButton);
    EXPECT_EQ(prompter.messages.last(), "签字成功！");
    click(&page, exportButton);
    EXPECT_EQ(suggested, QStringList{productNumber + ".xlsx"});
    const auto read = workbook::readFirstSheet(chosen.toStdString());
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.sheet.rowCount(), 54);
    EXPECT_EQ(QString::fromStdString(read.sheet.cellText(3, 3)), productNumber);

    click(&page, exportButton);  // the signature is used up
    EXPECT_EQ(prompter.messages.last(), text("IDS_Prod_SignFirst"));
    signer->setText("张三");
    click(&page, signButton);
    chosen.clear();  // the user cancels the save dialog: that uses the signature up too
    click(&page, exportButton);
    click(&page, exportButton);
    EXPECT_EQ(prompter.messages.last(), text("IDS_Prod_SignFirst"));
}

TEST_F(ProductionPages, TheExportCarriesTheSignatureJustMade) {
    CVelPageProd page(ctx);
    page.runner()->setPacer(&pacer);
    const QString file = dir.filePath("signed.xlsx");
    page.setFileChooser({{}, [&](QWidget*, const QString&, const QString&) { return file; }});
    QLineEdit* signer = child<QLineEdit>(&page, "signerEdit");
    const QTableWidget* list = child<QTableWidget>(&page, "readOutList");
    signer->setText("张三");
    click(&page, button(&page, "signButton"));
    click(&page, button(&page, "readOutButton"));
    ASSERT_EQ(list->rowCount(), 53);
    EXPECT_EQ(list->item(6, 2)->text(), "张三");
    const QString date = list->item(5, 2)->text();
    EXPECT_FALSE(date.isEmpty());

    // Signed again with the read-out on display: the list, and so the workbook, shows the new name.
    signer->setText("王五");
    click(&page, button(&page, "signButton"));
    EXPECT_EQ(list->item(6, 2)->text(), "王五");
    EXPECT_EQ(list->item(5, 2)->text(), date);
    click(&page, button(&page, "exportButton"));
    const auto read = workbook::readFirstSheet(file.toStdString());
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.sheet.cellText(8, 3), "王五");
    EXPECT_EQ(QString::fromStdString(read.sheet.cellText(7, 3)), date);
}

TEST_F(ProductionPages, ARunModeRefusedInTheChainAsksRetryOrCancel) {
    CVelPageProd page(ctx);
    page.runner()->setPacer(&pacer);
    child<QCheckBox>(&page, "autoPollBox")->setChecked(true);  // chain: sensors 3, 2, 1
    bus->model().withSensor(2, [](sim::Sensor& s) { s.ignoreCommandOnce(sensor::runmode::kHeatingOff); });
    child<QComboBox>(&page, "runModeList")->setCurrentIndex(3);  // heating off
    prompter.questions.clear();
    prompter.messages.clear();
    click(&page, button(&page, "startButton"));
    EXPECT_EQ(prompter.retries, QStringList{"ID: 2   设置失败！"});
    EXPECT_TRUE(prompter.questions.isEmpty());
    EXPECT_EQ(prompter.messages,
              (QStringList{"ID: 3   设置成功！", "ID: 2   设置成功！", "ID: 1   设置成功！"}));
    child<QCheckBox>(&page, "autoPollBox")->setChecked(false);
}

TEST_F(ProductionPages, AnExportedWorkbookIsImportedAndWrittenAlongTheChain) {
    // A workbook as the production page exports it.
    {
        CVelPageProd producer(ctx);
        producer.runner()->setPacer(&pacer);
        producer.setFileChooser(
            {{}, [&](QWidget*, const QString&, const QString&) { return dir.filePath("r.xlsx"); }});
        click(&producer, button(&producer, "readOutButton"));
        child<QLineEdit>(&producer, "signerEdit")->setText("李四");
        click(&producer, button(&producer, "signButton"));
        click(&producer, button(&producer, "exportButton"));
    }
    CVelPageLoad page(ctx);
    page.runner()->setPacer(&pacer);
    page.setFileChooser({[&](QWidget*, const QString&) { return dir.filePath("r.xlsx"); }, {}});
    click(&page, button(&page, "importButton"));
    EXPECT_FALSE(child<QLineEdit>(&page, "field.product number")->text().isEmpty());
    EXPECT_FALSE(child<QLineEdit>(&page, "field.RHigh")->text().isEmpty());

    // Nothing marked: the continued write says so and sends nothing.
    for (int id = 1; id <= 3; ++id) bus->clearWriteLog(static_cast<std::uint8_t>(id));
    click(&page, button(&page, "writeMarkedButton"));
    EXPECT_EQ(prompter.messages.last(), "没有勾选接续框！");

    // Chain over the enabled channels (sensors 3, 2, 1 in channel order), calibration range marked.
    QCheckBox* chain = child<QCheckBox>(&page, "chainBox");
    chain->setChecked(true);
    EXPECT_TRUE(production::chainMode());
    child<QCheckBox>(&page, "markBox6")->setChecked(true);
    prompter.messages.clear();
    click(&page, button(&page, "blockButton6"));
    EXPECT_EQ(prompter.messages,
              (QStringList{"ID： 3  写入成功！", "ID： 2  写入成功！", "ID： 1  写入成功！"}));
    for (int id = 1; id <= 3; ++id) {
        const auto log = bus->writeLog(static_cast<std::uint8_t>(id));
        ASSERT_FALSE(log.empty()) << id;
        EXPECT_EQ(log.back().address, sensor::reg::kCommit) << id;
    }
    chain->setChecked(false);
}

}  // namespace
}  // namespace talvex::ui
