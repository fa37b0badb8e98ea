// talvex: the workbench window over the Talvex core.
#include <QApplication>
#include <QIcon>
#include <QTextStream>

#include "page_factory.hpp"
#include "talvex/language.hpp"
#include "talvex/ui/startup.hpp"
#include "talvex/ui/ui_text.hpp"
#include "talvex/version.hpp"
#include "workbench.hpp"

int main(int argc, char** argv) {
    // Options first, so --help and a wrong option answer without a display, in the language of the
    // default data directory (before the options it may not be the one used; nothing is written).
    talvex::useDefaultDirLanguage();
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    const auto options = talvex::ui::parseStartupOptions(args);
    if (options.help) {
        QTextStream(stdout) << talvex::ui::startupUsage();
        return 0;
    }
    if (options.version) {
        QTextStream(stdout) << "talvex "
                            << QLatin1String(talvex::version().data(),
                                             static_cast<qsizetype>(talvex::version().size()))
                            << "\n";
        return 0;
    }
    if (!options.error.isEmpty()) {
        QTextStream(stderr) << "talvex: " << options.error << "\n" << talvex::ui::startupUsage();
        return 2;
    }

    QApplication app(argc, argv);
    talvex::ui::nameApplication();
    talvex::ui::ensureResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/talvex/icons/talvex.svg")));
    return talvex::app::runWorkbench(options, talvex::app::createPage);
}
