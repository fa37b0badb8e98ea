#include "talvex/ui/startup.hpp"

#include <QCoreApplication>

#include "talvex/acquisition/acquisition_engine.hpp"
#include "talvex/acquisition/measurement_db.hpp"
#include "talvex/app_paths.hpp"
#include "talvex/language.hpp"
#include "talvex/ui/login_dialog.hpp"
#include "talvex/ui/main_window.hpp"
#include "talvex/ui/shell_prompter.hpp"

namespace talvex::ui {

QString startupUsage() {
    return QStringLiteral(
        "Usage: talvex [--model NAME] [--demo] [--data-dir DIR]\n"
        "  --model NAME    sensor model (ModelKA, ModelKB, ModelKC, ModelKD, ModelKE, ModelKG, ModelKGC,\n"
        "                  ModelKF); skips the model dialog\n"
        "  --demo          select the built-in simulated sensor bus and connect to it\n"
        "  --data-dir DIR  keep setting.ini, Config.ini and SensorDB.db in DIR\n");
}

StartupOptions parseStartupOptions(const QStringList& args) {
    StartupOptions o;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--demo")) {
            o.demo = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.help = true;
        } else if (a == QLatin1String("--model")) {
            if (!hasValue) return o.error = QStringLiteral("--model needs a model name"), o;
            const QString name = args[++i];
            o.model = parseModelName(name.toStdString());
            if (!o.model) return o.error = QStringLiteral("unknown model: %1").arg(name), o;
        } else if (a == QLatin1String("--data-dir")) {
            if (!hasValue || args[i + 1].isEmpty())
                return o.error = QStringLiteral("--data-dir needs a directory"), o;
            o.dataDir = args[++i].toStdString();
        } else {
            return o.error = QStringLiteral("unknown argument: %1").arg(a), o;
        }
    }
    return o;
}

int runWorkbench(const StartupOptions& options, const PageFactory& pages) {
    // Settings and language first: the model dialog already speaks the user's language.
    std::string error;
    if (!initAppPaths(options.dataDir, error)) {
        shellPrompter().message(nullptr, ShellPrompter::Icon::Stop, QStringLiteral("Talvex"),
                                QString::fromStdString(error));
        return 1;
    }
    const LanguageStartup lang = startLanguage(appPaths());
    (void)lang;  // an unwritable setting.ini leaves the language active for this run

    SensorModel model = SensorModel::None;
    if (options.model) {
        model = *options.model;
    } else {
        CVelLogin login;
        if (login.exec() == CVelLogin::kExitProgram) return 0;
        model = login.model();
    }

    // The core for the run: one arbiter for the one link, the recent records, the poller.
    acquisition::LinkArbiter arbiter;
    acquisition::RecordStore store;
    acquisition::EngineOptions engineOptions;
    engineOptions.databasePath = acquisition::databasePath(appPaths().dataDir.string());
    engineOptions.model = model;
    engineOptions.text = [](std::string_view key) { return GetText(key); };
    engineOptions.read = acquisition::rtuRegisterReader();
    acquisition::AcquisitionEngine engine(arbiter, store, session(), engineOptions);
    {
        // The recent-record store starts with what the database already holds.
        acquisition::MeasurementDb db(engineOptions.databasePath, &engine.log(), engineOptions.text);
        db.loadAll(store);
    }
    // A large file written by earlier versions has no SensorId index yet: it is built while the
    // window is open (later starts seek through it), not before.
    acquisition::BackgroundIndexBuild indexBuild;
    indexBuild.start(engineOptions.databasePath);

    MainWindowOptions windowOptions;
    windowOptions.model = model;
    windowOptions.pageFactory = pages;
    windowOptions.demo = options.demo;
    windowOptions.databasePath = engineOptions.databasePath;
    CMorvaneDlg window(windowOptions, CoreRefs{&engine, &arbiter, &store});
    window.setWindowState(Qt::WindowMaximized);
    window.exec();
    indexBuild.cancel();  // before the window stops the poller, whose inserts wait for the build
    return 0;
}

}  // namespace talvex::ui
