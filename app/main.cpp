// talvex: the workbench window over the Talvex core.
#include <QApplication>
#include <QIcon>
#include <QTextStream>

#include "page_factory.hpp"
#include "shell/ui/startup.hpp"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Talvex"));
    QApplication::setDesktopFileName(QStringLiteral("talvex"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/talvex/icons/talvex.svg")));

    const auto options = talvex::ui::parseStartupOptions(QApplication::arguments().mid(1));
    QTextStream err(stderr);
    if (options.help) {
        QTextStream(stdout) << talvex::ui::startupUsage();
        return 0;
    }
    if (!options.error.isEmpty()) {
        err << "talvex: " << options.error << "\n" << talvex::ui::startupUsage();
        return 2;
    }
    return talvex::ui::runWorkbench(options, talvex::app::createPage);
}
