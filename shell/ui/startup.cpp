#include "talvex/ui/startup.hpp"

#include <QCoreApplication>

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

}  // namespace talvex::ui
