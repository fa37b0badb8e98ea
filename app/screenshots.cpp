// talvex-screenshots: renders the main window on the simulated bus, in English and in Chinese,
// into PNG files (docs/ uses them). Runs without a display on Qt's offscreen platform.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTabWidget>
#include <QTextStream>
#include <QTimer>

#include "page_factory.hpp"
#include "simulated_bus.hpp"
#include "talvex/acquisition/acquisition_engine.hpp"
#include "talvex/acquisition/measurement_db.hpp"
#include "talvex/app_paths.hpp"
#include "talvex/language.hpp"
#include "talvex/ui/channel_tree_widget.hpp"
#include "talvex/ui/log_box.hpp"
#include "talvex/ui/main_window.hpp"
#include "talvex/ui/prompter.hpp"
#include "workbench_link.hpp"

namespace {

// Lets the event loop run for ms (the poller fills the log and the pages meanwhile).
void settle(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 50);
}

class QuietPrompter : public talvex::ui::Prompter {
  public:
    void message(QWidget*, const QString& text, const QString&, Icon) override {
        QTextStream(stderr) << "message: " << text << "\n";
    }
    bool question(QWidget*, const QString& text, const QString&) override {
        QTextStream(stderr) << "question (cancelled): " << text << "\n";
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const QString outDir = args.size() > 1 ? args[1] : QStringLiteral("docs");
    const int waitMs = args.size() > 2 ? args[2].toInt() : 8000;

    QuietPrompter quiet;
    talvex::ui::setActivePrompter(&quiet);
    const QString work =
        QDir::temp().filePath(QStringLiteral("talvex-screenshots-%1").arg(QApplication::applicationPid()));
    std::string error;
    if (!talvex::initAppPaths(work.toStdString(), error)) {
        QTextStream(stderr) << QString::fromStdString(error) << "\n";
        return 1;
    }
    talvex::LoadLanguage("English");

    using namespace talvex::acquisition;
    LinkArbiter arbiter;
    RecordStore store;
    EngineOptions o;
    o.databasePath = databasePath(talvex::appPaths().dataDir.string());
    o.model = talvex::SensorModel::KA;
    o.text = [](std::string_view key) { return talvex::GetText(key); };
    o.read = rtuRegisterReader();
    AcquisitionEngine engine(arbiter, store, talvex::session(), o);

    int rc = 0;
    {
        talvex::ui::MainWindowOptions wo;
        wo.model = talvex::SensorModel::KA;
        wo.pageFactory = talvex::app::createPage;
        wo.demo = true;
        wo.databasePath = o.databasePath;
        talvex::app::WorkbenchLink link(&engine, &arbiter, talvex::app::simulatedBusStarter());
        wo.link = &link;
        talvex::ui::CMorvaneDlg window(wo, talvex::ui::CoreRefs{&engine, &arbiter, &store});
        window.resize(1280, 760);
        window.show();
        window.tree()->select({0, 0});  // Node1: sensor 1, which the default channels poll
        window.tabs()->setCurrentIndex(2);
        settle(waitMs);
        QDir().mkpath(outDir);
        const auto shoot = [&](const char* name) {
            const QString path = QDir(outDir).filePath(QString::fromLatin1(name));
            if (!window.grab().save(path)) {
                QTextStream(stderr) << "could not write " << path << "\n";
                rc = 1;
            } else {
                QTextStream(stdout) << path << "\n";
            }
        };
        shoot("main-window-en.png");
        window.switchLanguage(QStringLiteral("Chinese"));
        window.tabs()->setCurrentIndex(0);
        settle(waitMs / 2);
        shoot("main-window-zh.png");
        window.toggleConnection();
        window.close();
    }
    QDir(work).removeRecursively();
    return rc;
}
