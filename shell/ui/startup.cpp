#include "talvex/ui/startup.hpp"

#include <QCoreApplication>
#include <QGuiApplication>
#include <filesystem>
#include <system_error>

#include "talvex/ui/ui_text.hpp"
#include "talvex/version.hpp"

namespace talvex::ui {

QString startupUsage() {
    return QStringLiteral(
        "Usage: talvex [--model NAME] [--demo] [--data-dir DIR]\n"
        "  --model NAME    sensor model (ModelKA, ModelKB, ModelKC, ModelKD, ModelKE, ModelKG, ModelKGC,\n"
        "                  ModelKF); skips the model dialog\n"
        "  --demo          select the built-in simulated sensor bus and connect to it\n"
        "  --data-dir DIR  keep setting.ini, Config.ini and SensorDB.db in DIR\n"
        "  --version       print the program's version\n");
}

QString versionText() {
    return QStringLiteral("Talvex ") +
           QString::fromUtf8(version().data(), static_cast<qsizetype>(version().size()));
}

void nameApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("Talvex"));
    QCoreApplication::setApplicationVersion(
        QString::fromUtf8(version().data(), static_cast<qsizetype>(version().size())));
    QGuiApplication::setDesktopFileName(QStringLiteral("talvex"));
    // The captions themselves are the language table's; the frame adds this after them.
    QGuiApplication::setApplicationDisplayName(versionText());
}

StartupOptions parseStartupOptions(const QStringList& args) {
    StartupOptions o;
    QStringList seen;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        // A second --model or --data-dir would silently win over the first.
        if (a.startsWith(QLatin1String("--")) && seen.contains(a))
            return o.error = uiText("IDS_Startup_OptionTwice").arg(a), o;
        seen << a;
        if (a == QLatin1String("--demo")) {
            o.demo = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.help = true;
        } else if (a == QLatin1String("--version")) {
            o.version = true;
        } else if (a == QLatin1String("--model")) {
            if (!hasValue) return o.error = uiText("IDS_Startup_ModelNeedsName"), o;
            const QString name = args[++i];
            o.model = parseModelName(name.toStdString());
            if (!o.model) return o.error = uiText("IDS_Startup_UnknownModel").arg(name), o;
        } else if (a == QLatin1String("--data-dir")) {
            if (!hasValue || args[i + 1].isEmpty()) return o.error = uiText("IDS_Startup_DataDirNeedsDir"), o;
            o.dataDir = args[++i].toStdString();
            // A mistyped name is refused as talvex-cli refuses it, never created.
            std::error_code ec;
            if (!std::filesystem::is_directory(*o.dataDir, ec))
                return o.error = uiText("IDS_Cli_NoSuchDataDir").arg(args[i]), o;
        } else {
            return o.error = uiText("IDS_Startup_UnknownArgument").arg(a), o;
        }
    }
    return o;
}

}  // namespace talvex::ui
