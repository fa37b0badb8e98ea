#include "workbench.hpp"

#include "simulated_bus.hpp"
#include "talvex/acquisition/acquisition_engine.hpp"
#include "talvex/acquisition/measurement_db.hpp"
#include "talvex/app_paths.hpp"
#include "talvex/language.hpp"
#include "talvex/ui/login_dialog.hpp"
#include "talvex/ui/main_window.hpp"
#include "talvex/ui/prompter.hpp"
#include "workbench_link.hpp"

namespace talvex::app {

int runWorkbench(const ui::StartupOptions& options, const ui::PageFactory& pages) {
    // Settings and language first: the model dialog already speaks the user's language.
    std::string error;
    if (!initAppPaths(options.dataDir, error)) {
        ui::activePrompter().message(nullptr, QString::fromStdString(error), QStringLiteral("Talvex"),
                                     ui::Prompter::Icon::Stop);
        return 1;
    }
    const LanguageStartup lang = startLanguage(appPaths());
    (void)lang;  // an unwritable setting.ini leaves the language active for this run

    SensorModel model = SensorModel::None;
    if (options.model) {
        model = *options.model;
    } else {
        ui::CVelLogin login;
        if (login.exec() == ui::CVelLogin::kExitProgram) return 0;
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

    ui::MainWindowOptions windowOptions;
    windowOptions.model = model;
    windowOptions.pageFactory = pages;
    windowOptions.demo = options.demo;
    windowOptions.databasePath = engineOptions.databasePath;
    WorkbenchLink link(&engine, &arbiter, simulatedBusStarter());
    windowOptions.link = &link;
    ui::CMorvaneDlg window(windowOptions, ui::CoreRefs{&engine, &arbiter, &store});
    window.setWindowState(Qt::WindowMaximized);
    window.exec();
    indexBuild.cancel();  // before the window stops the poller, whose inserts wait for the build
    return 0;
}

}  // namespace talvex::app
