// The program's command line: its options and its usage text (the program itself starts in app/).
#pragma once

#include <QStringList>
#include <optional>
#include <string>

#include "talvex/ui/page_slots.hpp"

namespace talvex::ui {

struct StartupOptions {
    std::optional<SensorModel> model;    // --model NAME: skips the model dialog
    bool demo = false;                   // --demo: connect to the simulated bus at once
    std::optional<std::string> dataDir;  // --data-dir DIR: settings, channels and database there
    bool help = false;
    QString error;  // not empty: the arguments were wrong
};

// Parses the arguments after the program name.
StartupOptions parseStartupOptions(const QStringList& args);
QString startupUsage();

}  // namespace talvex::ui
