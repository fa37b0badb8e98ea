// The program's command line: its options and its usage text (the program itself starts in app/).
#pragma once

#include <QString>
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
    bool version = false;  // --version: print the program's version
    QString error;         // not empty: the arguments were wrong
};

// Parses the arguments after the program name.
StartupOptions parseStartupOptions(const QStringList& args);
QString startupUsage();

// "Talvex 0.1.0": the name and the build's version, as the window's frame and the About box show it.
QString versionText();
// Names the running program (its name, desktop entry, version); the window system then shows
// versionText() after every window's own caption.
void nameApplication();

}  // namespace talvex::ui
