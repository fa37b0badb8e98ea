// How the core shell reports to the user: the GUI shows message boxes and log-box lines, the CLI
// prints them. Either callback may be empty.
#pragma once

#include <functional>
#include <string_view>

namespace talvex {

enum class MessageKind { Info, Warning, Error };

struct MessageSink {
    std::function<void(MessageKind kind, std::string_view text)> message;  // a message box
    std::function<void(std::string_view line)> log;                        // one line of the log box

    void show(MessageKind kind, std::string_view text) const {
        if (message) message(kind, text);
    }
    void logLine(std::string_view line) const {
        if (log) log(line);
    }
};

}  // namespace talvex
