// Start-up: the program's options and the model dialog.
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "talvex/language.hpp"
#include "talvex/testing/find_child.hpp"
#include "talvex/testing/temp_dir.hpp"
#include "talvex/ui/login_dialog.hpp"
#include "talvex/ui/main_window.hpp"
#include "talvex/ui/startup.hpp"
#include "ui_fixture.hpp"
#include "workbench.hpp"

namespace talvex::ui::test {
namespace {

TEST(StartupOptions, ParsesModelDemoAndDataDir) {
    const talvex::testing::TempDir dir;
    const QString existing = QString::fromStdString(dir.path());
    struct Case {
        QStringList args;
        std::optional<SensorModel> model;
        bool demo;
        std::optional<std::string> dataDir;
        bool error;
    };
    const Case cases[] = {
        {{}, std::nullopt, false, std::nullopt, false},
        {{"--model", "ModelKGC"}, SensorModel::KGC, false, std::nullopt, false},
        {{"--model", "ModelKF", "--demo", "--data-dir", existing},
         SensorModel::KF,
         true,
         existing.toStdString(),
         false},
        {{"--demo"}, std::nullopt, true, std::nullopt, false},
        {{"--model", "modelka"}, std::nullopt, false, std::nullopt, true},  // names match exactly
        {{"--model"}, std::nullopt, false, std::nullopt, true},
        {{"--data-dir"}, std::nullopt, false, std::nullopt, true},
        {{"--data-dir", ""}, std::nullopt, false, std::nullopt, true},
        {{"--port", "COM3"}, std::nullopt, false, std::nullopt, true},
        // A second value would silently win over the first.
        {{"--model", "ModelKA", "--model", "ModelKB"}, std::nullopt, false, std::nullopt, true},
        {{"--data-dir", existing, "--demo", "--data-dir", existing}, std::nullopt, false, std::nullopt, true},
        {{"--demo", "--demo"}, std::nullopt, false, std::nullopt, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const StartupOptions o = parseStartupOptions(c.args);
        EXPECT_EQ(!o.error.isEmpty(), c.error) << o.error.toStdString();
        if (c.error) continue;
        EXPECT_EQ(o.model, c.model);
        EXPECT_EQ(o.demo, c.demo);
        EXPECT_EQ(o.dataDir, c.dataDir);
    }
}

// A mistyped --data-dir is refused with talvex-cli's words, and nothing is created.
TEST(StartupOptions, AMistypedDataDirIsRefusedNotCreated) {
    const talvex::testing::TempDir dir;
    const std::string typo = dir.file("dmeo");
    const QString file = QString::fromStdString(dir.file("file"));
    std::ofstream(file.toStdString()) << "not a folder";
    setActiveLanguage(Language::English);
    EXPECT_EQ(parseStartupOptions({"--data-dir", QString::fromStdString(typo)}).error,
              QString::fromStdString("--data-dir " + typo + ": no such directory"));
    EXPECT_EQ(parseStartupOptions({"--demo", "--data-dir", file}).error,
              "--data-dir " + file + ": no such directory");
    setActiveLanguage(Language::Chinese);
    EXPECT_EQ(parseStartupOptions({"--data-dir", QString::fromStdString(typo)}).error,
              QString::fromStdString("--data-dir " + typo + "：没有这个目录"));
    setActiveLanguage(Language::English);
    EXPECT_FALSE(std::filesystem::exists(typo));
}

TEST(StartupOptions, RefusalsSpeakTheActiveLanguage) {
    const QStringList twice = {"--model", "ModelKA", "--model", "ModelKB"};
    setActiveLanguage(Language::Chinese);
    EXPECT_EQ(parseStartupOptions(twice).error, QString::fromUtf8("选项 --model 给出了两次"));
    EXPECT_EQ(parseStartupOptions({"--port"}).error, QString::fromUtf8("未知参数：--port"));
    setActiveLanguage(Language::English);
    EXPECT_EQ(parseStartupOptions(twice).error, "option --model given twice");
}

class Workbench : public UiTest {};

TEST_F(Workbench, PreselectedModelSkipsTheDialogAndOpensTheMainWindowOnTheDataDir) {
    const auto dataDir = dir_ / "data";
    std::filesystem::create_directory(dataDir);
    StartupOptions options =
        parseStartupOptions({"--model", "ModelKG", "--data-dir", QString::fromStdString(dataDir.string())});
    ASSERT_TRUE(options.error.isEmpty());
    QString shownTitle;
    bool sawModelDialog = false;
    // The first modal window must be the main window; closing it ends the run.
    const auto probeWindow = [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return false;
        sawModelDialog = qobject_cast<CVelLogin*>(modal) != nullptr;
        auto* window = qobject_cast<CMorvaneDlg*>(modal);
        if (!window) {
            static_cast<QDialog*>(modal)->reject();
            return true;
        }
        shownTitle = window->windowTitle();
        window->close();
        return true;
    };
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (probeWindow()) poll.stop();
    });
    poll.start(20);
    EXPECT_EQ(app::runWorkbench(options, {}), 0);
    EXPECT_FALSE(sawModelDialog);
    EXPECT_EQ(shownTitle, "Talvex_V1.37 - Orlenthic");
    for (const char* file : {"setting.ini", "Config.ini", "SensorDB.db"})
        EXPECT_TRUE(std::filesystem::exists(dataDir / file)) << file;
}

class ModelDialog : public UiTest {
  protected:
    static QComboBox* modelList(const CVelLogin& d) {
        return talvex::testing::child<QComboBox>(&d, "modelList");
    }
    static QPushButton* button(const CVelLogin& d, const char* name) {
        return talvex::testing::child<QPushButton>(&d, name);
    }
};

TEST_F(ModelDialog, OkTakesTheSelectedModelByItsNumber) {
    const std::pair<QString, SensorModel> cases[] = {{"ModelKA", SensorModel::KA},
                                                     {"ModelKG", SensorModel::KG},
                                                     {"ModelKGC", SensorModel::KGC},
                                                     {"ModelKF", SensorModel::KF}};
    for (const auto& [name, model] : cases) {
        CVelLogin dialog;
        modelList(dialog)->setCurrentText(name);
        button(dialog, "okButton")->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted) << name.toStdString();
        EXPECT_EQ(dialog.model(), model) << name.toStdString();
    }
    EXPECT_TRUE(prompts_.texts.empty());
}

TEST_F(ModelDialog, OpensOnTheEmptyItemAndRefusesOkWithoutAModel) {
    CVelLogin dialog;
    dialog.show();
    ASSERT_EQ(modelList(dialog)->count(), 9);
    EXPECT_EQ(modelList(dialog)->currentIndex(), 8);
    EXPECT_EQ(modelList(dialog)->currentText(), QString());
    EXPECT_EQ(button(dialog, "okButton")->text(), "OK");
    EXPECT_EQ(button(dialog, "cancelButton")->text(), "Cancel");
    button(dialog, "okButton")->click();
    EXPECT_TRUE(prompts_.saw("Please select a product model."));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.model(), SensorModel::None);
}

TEST_F(ModelDialog, EnterActsAsOkEscapeContinuesWithoutModelCancelEndsTheProgram) {
    {
        CVelLogin dialog;
        dialog.show();
        modelList(dialog)->setCurrentIndex(1);
        QTest::keyClick(&dialog, Qt::Key_Return);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.model(), SensorModel::KB);
    }
    {
        CVelLogin dialog;
        dialog.show();
        modelList(dialog)->setCurrentIndex(5);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_EQ(dialog.model(), SensorModel::None);
    }
    {
        CVelLogin dialog;
        dialog.show();
        button(dialog, "cancelButton")->click();
        EXPECT_EQ(dialog.result(), CVelLogin::kExitProgram);
    }
}

}  // namespace
}  // namespace talvex::ui::test
