// The fitting page and its dialogs as widgets (offscreen): the load into the grid, the fit button's
// question and choice, the dialogs' lists, charts and fields, and their writes through the runner.
#include <gtest/gtest.h>

#include <QChartView>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <filesystem>
#include <fstream>
#include <map>

#include <unistd.h>

#include "fitting_page.hpp"
#include "piecewise_dialog.hpp"
#include "talvex/language.hpp"
#include "talvex/pacer.hpp"
#include "talvex/sensor_registers.hpp"
#include "talvex/testing/find_child.hpp"
#include "talvex/testing/recording_register_io.hpp"
#include "talvex/testing/scripted_prompter.hpp"
#include "talvex/ui/core/operation_runner.hpp"
#include "talvex/ui/prompter.hpp"
#include "temperature_coefficient_dialog.hpp"
#include "temperature_difference_dialog.hpp"

namespace talvex::ui {
namespace {

using namespace calibration::fitting;
using talvex::testing::child;

// A part of a page or dialog by its object name.
QPushButton* button(const QWidget* parent, const char* name) {
    return child<QPushButton>(parent, name);
}
QTableWidget* pointList(const QWidget* dialog) {
    return child<QTableWidget>(dialog, "pointList");
}
QLineEdit* field(const QWidget* dialog, const QString& name) {
    return child<QLineEdit>(dialog, "field." + name);
}
// Returns once the dialog's write (if one runs) has returned.
void waitForWrite(const QWidget* dialog) {
    child<OperationRunner>(dialog, "writeRunner")->wait();
}

class ScriptedPrompter : public Prompter {
  public:
    void message(QWidget*, const QString& text, const QString&, Icon) override { shown << text; }
    bool question(QWidget*, const QString& text, const QString&) override {
        asked << text;
        return answers.empty() ? true : answers.takeFirst();
    }
    QStringList shown, asked;
    QList<bool> answers;
};

// Registers in memory; the commit register reads back the acknowledgement of the last commit code.
class AckingRegisters : public RegisterIo {
  public:
    int readHolding(int, int address, int count, std::uint16_t* values) override {
        for (int i = 0; i < count; ++i) values[i] = regs[address + i];
        return 0;
    }
    int writeSingle(int, int address, std::uint16_t value) override {
        regs[address] = value;
        if (address == sensor::reg::kCommit)
            if (const auto* c = sensor::findCommitCode(value)) regs[address] = c->ack;
        return 0;
    }
    int writeMultiple(int, int, int, const std::uint16_t*) override { return 0; }
    int startHistoryOutput(int) override { return 0; }
    int readBytes(std::uint8_t*, int) override { return 0; }
    bool isOpen() const override { return true; }
    std::map<int, std::uint16_t> regs;
};

std::string num(double v) {
    return formatFixed(v, 4);
}

class FittingPageTest : public ::testing::Test {
  protected:
    void SetUp() override { setActiveLanguage(Language::English); }
    void TearDown() override { std::filesystem::remove(csv_); }

    // A workbook: row 1 "ID" then references; row 2 sensor 5, row 3 sensor 0 (no ID), row 4 sensor 9.
    std::string workbook() {
        std::ofstream out(csv_);
        out << "ID";
        for (int c = 0; c < 57; ++c) out << "," << num(10.0 * c);
        out << "\n";
        for (const char* id : {"5", "", "9"}) {
            out << id;
            for (int c = 0; c < 57; ++c) out << "," << num(c + 0.02 * c * c);
            out << "\n";
        }
        return csv_;
    }
    FittingContext context(const CalibrationSheet& sheet, int row, int* kind) {
        FittingContext c;
        c.sheet = &sheet;
        c.sheetRow = row;
        c.sensorId = 5;
        c.dataKind = kind;
        c.prompter = &prompter_;
        c.io = &recording_;
        c.pacer = &pacer_;
        c.corePrompter = &core_;
        return c;
    }

    std::string csv_ =
        (std::filesystem::temp_directory_path() / ("talvex_fit_page_" + std::to_string(::getpid()) + ".csv"))
            .string();
    ScriptedPrompter prompter_;
    talvex::testing::ScriptedPrompter core_;
    AckingRegisters registers_;
    testing::Transcript transcript_;
    testing::RecordingRegisterIo recording_{registers_, transcript_};
    FakePacer pacer_;
};

struct Opened {
    FittingDialog dialog;
    int row, id, kind;
    std::string firstReference;  // cell (0, 1) of the sheet the dialog gets
};

TEST_F(FittingPageTest, LoadTickAndOpenTheDialogOfTheKind) {
    FittingContext base;
    base.prompter = &prompter_;
    CVelPageFit page(base);
    std::vector<Opened> opened;
    page.setFileChooser([this] { return QString::fromStdString(workbook()); });
    page.setDialogOpener([&](FittingDialog d, const FittingContext& c) {
        opened.push_back({d, c.sheetRow, c.sensorId, *c.dataKind, c.sheet->text(0, 1)});
    });
    auto* grid = child<QTableWidget>(&page, "grid");
    QPushButton* fit = button(&page, "fitButton");
    EXPECT_EQ(grid->rowCount(), 0);

    // Before any load, or with nothing ticked and no earlier choice: no configuration ID.
    fit->click();
    EXPECT_EQ(prompter_.shown, QStringList{QString::fromStdString(GetText("IDS_Fit_NoConfigId"))});

    button(&page, "loadButton")->click();
    ASSERT_EQ(grid->rowCount(), 49);
    EXPECT_EQ(grid->columnCount(), 57);
    EXPECT_EQ(grid->horizontalHeaderItem(56)->text(), "BE");
    EXPECT_EQ(grid->item(0, 0)->text(), "0");
    EXPECT_EQ(grid->item(1, 0)->text(), "5");

    grid->item(1, 0)->setCheckState(Qt::Checked);
    fit->click();
    ASSERT_EQ(prompter_.asked.size(), 1);
    EXPECT_EQ(prompter_.asked[0], "Row 1 with ID 5 is selected");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].dialog, FittingDialog::Piecewise);
    EXPECT_EQ(opened[0].row, 1);
    EXPECT_EQ(opened[0].id, 5);
    EXPECT_EQ(opened[0].firstReference, "10.0000");  // the dialog fits the workbook loaded

    // Nothing ticked: the last choice opens again, for the kind now selected.
    grid->item(1, 0)->setCheckState(Qt::Unchecked);
    child<QComboBox>(&page, "kindSelector")->setCurrentIndex(2);
    fit->click();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1].dialog, FittingDialog::TemperatureDifference);
    EXPECT_EQ(opened[1].kind, 3);
    EXPECT_EQ(opened[1].id, 5);

    // A cancelled question opens nothing, but the row stays chosen: with nothing ticked, it opens.
    grid->item(3, 0)->setCheckState(Qt::Checked);
    prompter_.answers = {false};
    fit->click();
    EXPECT_EQ(opened.size(), 2u);
    grid->item(3, 0)->setCheckState(Qt::Unchecked);
    fit->click();
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[2].id, 9);
}

TEST_F(FittingPageTest, PiecewiseDialogKeepsEarlierRowsAndSeries) {
    CalibrationSheet sheet;
    for (int c = 0; c < 56; ++c) {
        sheet.setText(0, c, num(10.0 * c));
        sheet.setText(1, c, num(c + 0.02 * c * c + 0.1 * (c % 3)));
    }
    int kind = 2;
    CVelDlgFit dialog(context(sheet, 1, &kind));
    EXPECT_EQ(child<QComboBox>(&dialog, "breakpointSelector3")->currentIndex(), 16);
    button(&dialog, "showPointsButton")->click();
    button(&dialog, "showPointsButton")->click();
    QTableWidget* list = pointList(&dialog);
    EXPECT_EQ(list->rowCount(), 28);
    EXPECT_EQ(list->item(13, 0)->text(), "13");
    EXPECT_EQ(list->item(14, 0)->text(), "0");
    EXPECT_EQ(list->item(4, 0)->background().color(), QColor(51, 153, 255));

    button(&dialog, "fitButton")->click();
    button(&dialog, "fitButton")->click();
    for (int segment = 1; segment <= 3; ++segment)
        EXPECT_EQ(
            child<QChartView>(&dialog, QStringLiteral("chart%1").arg(segment))->chart()->series().size(), 4);
    EXPECT_FALSE(field(&dialog, "A2")->text().isEmpty());
    EXPECT_NE(child<QLineEdit>(&dialog, "rSquared2")->text(),
              child<QLineEdit>(&dialog, "segmentRSquared2")->text());

    // Breakpoints out of order: refused, and no coefficients stay on show.
    child<QComboBox>(&dialog, "breakpointSelector1")->setCurrentIndex(2);
    button(&dialog, "fitButton")->click();
    EXPECT_EQ(prompter_.shown.back().toStdString(), GetText("IDS_Fit_BreakpointOrder"));
    EXPECT_TRUE(field(&dialog, "A2")->text().isEmpty());
}

TEST_F(FittingPageTest, CompensationWriteMustMatchTheFittedSegment) {
    CalibrationSheet sheet;
    for (int m = 0; m < 14; ++m) {
        const double t = 20.0 + 5.0 * m;
        sheet.setText(1, 4 * m, num(t));
        sheet.setText(1, 4 * m + 1, num(100 + 0.8 * t + 0.01 * t * t));
        sheet.setText(1, 4 * m + 2, num(t + 1));
        sheet.setText(1, 4 * m + 3, num(500 - 1.5 * t + 0.02 * t * t));
    }
    int kind = 3;
    CVelDlgRef dialog(context(sheet, 1, &kind));
    button(&dialog, "showPointsButton")->click();
    EXPECT_EQ(pointList(&dialog)->rowCount(), 10);
    EXPECT_EQ(pointList(&dialog)->item(5, 3)->text(), "0.00");
    button(&dialog, "fitButton")->click();  // the high segment is selected at first
    EXPECT_EQ(kind, 2);
    button(&dialog, "writeLowButton")->click();
    EXPECT_EQ(prompter_.shown.back().toStdString(), GetText("IDS_Fit_CheckSegment"));
    waitForWrite(&dialog);
    EXPECT_TRUE(transcript_.lines().empty());

    button(&dialog, "writeHighButton")->click();
    waitForWrite(&dialog);
    const auto lines = transcript_.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[lines.size() - 2],
              "W 5 253 " + testing::hex4(sensor::commit::kOilGas));  // then its read-back
    EXPECT_EQ(core_.messages, std::vector<std::string>{GetText("IDS_Fit_WriteOk")});
}

TEST_F(FittingPageTest, TemperatureCoefficientWriteSendsTheEditedCorrection) {
    CalibrationSheet sheet;
    for (int c = 0; c < 10; ++c) {
        sheet.setText(0, c, num(10.0 * c));
        sheet.setText(1, c, num(9.5 * c + 0.01 * c * c));
    }
    int kind = 4;
    CVelDlgSt dialog(context(sheet, 1, &kind));
    button(&dialog, "fitButton")->click();  // start 0, end 0: a single point
    EXPECT_EQ(prompter_.shown.back().toStdString(), GetText("IDS_Fit_Singular"));
    EXPECT_TRUE(field(&dialog, "ST_A")->text().isEmpty());

    child<QComboBox>(&dialog, "endSelector")->setCurrentIndex(9);
    button(&dialog, "fitButton")->click();
    EXPECT_EQ(field(&dialog, "STC_a")->text(), "1");
    EXPECT_EQ(field(&dialog, "STC_b")->text(), "0");
    field(&dialog, "STC_a")->setText("2");
    button(&dialog, "writeButton")->click();
    waitForWrite(&dialog);
    EXPECT_EQ(registers_.regs[sensor::reg::kStaging1 + 2], 0x7735);  // STC_a = 2 -> 2 000 000 000
    EXPECT_EQ(registers_.regs[sensor::reg::kStaging1 + 3], 0x9400);
    EXPECT_EQ(core_.messages,
              (std::vector<std::string>{GetText("IDS_Fit_WriteOk"), GetText("IDS_Fit_WriteOk")}));
}

// A workbook loaded on the page with a blank cell among the chosen points: the fit names the cell,
// shows no coefficients, and Write then sends nothing.
TEST_F(FittingPageTest, FitOfALoadedBlankCellIsRefusedAndWritesNothing) {
    {
        std::ofstream out(csv_);
        out << "ID";
        for (int c = 0; c < 57; ++c) out << "," << num(10.0 * c);
        out << "\n5";
        for (int c = 0; c < 57; ++c) out << "," << (c == 9 ? std::string() : num(c + 0.02 * c * c));
        out << "\n";
    }
    FittingContext base;
    base.prompter = &prompter_;
    CVelPageFit page(base);
    const CalibrationSheet* loaded = nullptr;
    page.setFileChooser([this] { return QString::fromStdString(csv_); });
    page.setDialogOpener([&](FittingDialog, const FittingContext& c) { loaded = c.sheet; });
    button(&page, "loadButton")->click();
    child<QTableWidget>(&page, "grid")->item(1, 0)->setCheckState(Qt::Checked);
    button(&page, "fitButton")->click();
    ASSERT_NE(loaded, nullptr);

    int kind = 1;
    CVelDlgFit dialog(context(*loaded, 1, &kind));
    button(&dialog, "fitButton")->click();
    EXPECT_EQ(prompter_.shown.back().toStdString(), GetTextWith("IDS_Fit_EmptyCell", {"K2"}));
    EXPECT_TRUE(field(&dialog, "B1")->text().isEmpty());
    button(&dialog, "writeButton")->click();
    waitForWrite(&dialog);
    EXPECT_TRUE(transcript_.lines().empty());
}

}  // namespace
}  // namespace talvex::ui
